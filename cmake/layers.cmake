# The include check: every include in src/ points down the layer order, and
# the simulated handheld's services never reach into the system's code.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME include_layers
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/check_layers.py ${CMAKE_SOURCE_DIR})
# The check itself finds each kind of fault in a small tree made for it: an
# upward include, the simulated handheld reaching system code, a loop.
add_test(NAME include_layers_finds_faults
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/check_layers.py
        ${CMAKE_SOURCE_DIR}/tests/data/layers)
set_tests_properties(include_layers_finds_faults PROPERTIES PASS_REGULAR_EXPRESSION
    "console includes \"boot/Settings.h\".*includes \"file/Reader.h\".*loop among file/First, file/Second.*3 include")
