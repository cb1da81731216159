# Benchmark of the file-manager stack (bench/files.sh runs it).
add_executable(bench_files bench/files/FilesBench.cpp)
target_link_libraries(bench_files PRIVATE kestrel_all)
set_target_properties(bench_files PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
