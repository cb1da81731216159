# The window system draws the simulated screen with cairo (PNG output).
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
target_link_libraries(kestrel_host PUBLIC PkgConfig::CAIRO)

# The UI tests also run the kestrel program itself; both targets exist only
# once the top-level list is through.
cmake_language(DEFER CALL add_dependencies test_ui kestrel)

# Fonts of the handheld's metrics are made known to fontconfig at run time.
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
target_link_libraries(kestrel_host PUBLIC PkgConfig::FONTCONFIG)
