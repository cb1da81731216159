# The window system draws the simulated screen with cairo (PNG output).
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
target_link_libraries(kestrel_host PUBLIC PkgConfig::CAIRO)
