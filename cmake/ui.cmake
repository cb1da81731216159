# The window system draws the simulated screen with cairo (PNG output).
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
target_link_libraries(kestrel_host PUBLIC PkgConfig::CAIRO)

# Fonts of the handheld's metrics are made known to fontconfig at run time.
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
target_link_libraries(kestrel_host PUBLIC PkgConfig::FONTCONFIG)
