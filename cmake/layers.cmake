# The include check: every include in src/ points down the layer order, and
# the simulated handheld's services never reach into the system's code.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME include_layers
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/check_layers.py ${CMAKE_SOURCE_DIR})
