# Figures for the physical-memory model and the frame discovery methods.
add_executable(bench_memory bench/memory/MemoryBench.cpp)
target_link_libraries(bench_memory PRIVATE kestrel_all)
set_target_properties(bench_memory PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
