# Benchmark of the web-server and UFS backends (bench/netdisk.sh runs it).
add_executable(bench_netdisk bench/netdisk/NetDiskBench.cpp)
target_link_libraries(bench_netdisk PRIVATE kestrel_all)
set_target_properties(bench_netdisk PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
