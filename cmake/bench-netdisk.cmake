# Benchmark of the web-server and UFS backends (bench/netdisk.sh runs it).
add_executable(bench_netdisk bench/netdisk/NetDiskBench.cpp bench/netdisk/PlainDownload.cpp)
target_link_libraries(bench_netdisk PRIVATE kestrel_all)
# The capturing console the tests use (header only).
target_include_directories(bench_netdisk PRIVATE ${CMAKE_SOURCE_DIR}/tests)
set_target_properties(bench_netdisk PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
