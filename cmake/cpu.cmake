# The emulated ARM CPU of the simulated handheld.
pkg_check_modules(UNICORN REQUIRED IMPORTED_TARGET unicorn)
target_link_libraries(kestrel_host PUBLIC PkgConfig::UNICORN)
