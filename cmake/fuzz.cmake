# Fuzz targets: fuzz/<name>.cpp defines LLVMFuzzerTestOneInput over one
# parser of outside data; fuzz/corpus/<name>/ holds its seeds. Every file
# there is picked up, so a new target is just a new file.
#
# Normally each target is linked with a small replay main (fuzz/support) and
# ctest replays its corpus: the targets build and the seeds pass. With
# KESTREL_FUZZ (fuzz/run.sh, clang with the sanitizers in CMAKE_CXX_FLAGS)
# they are linked with libFuzzer instead.
option(KESTREL_FUZZ "Link the fuzz targets with libFuzzer (clang) instead of the replay main" OFF)

file(GLOB KESTREL_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
add_custom_target(fuzz_targets)
foreach(source ${KESTREL_FUZZ_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    set(target fuzz_${name})
    if(KESTREL_FUZZ)
        add_executable(${target} ${source})
        target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    else()
        add_executable(${target} ${source} ${CMAKE_SOURCE_DIR}/fuzz/support/ReplayMain.cpp)
        add_test(NAME fuzz_replay.${name}
            COMMAND ${target} ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
        set_tests_properties(fuzz_replay.${name} PROPERTIES TIMEOUT 120)
    endif()
    target_link_libraries(${target} PRIVATE kestrel_all)
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    add_dependencies(fuzz_targets ${target})
endforeach()
