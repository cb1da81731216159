# Benchmark of the file-manager stack (bench/files.sh runs it).
add_executable(bench_files bench/files/FilesBench.cpp)
target_link_libraries(bench_files PRIVATE kestrel_all)
# The capturing console the tests use (header only).
target_include_directories(bench_files PRIVATE ${CMAKE_SOURCE_DIR}/tests)
set_target_properties(bench_files PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
