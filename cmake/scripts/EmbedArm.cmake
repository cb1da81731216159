# Turns assembled ARM binaries into C++ byte arrays (cmake -P).
#   MODE=images: SA, PXA -> the two second-stage loader images
#   MODE=code:   BIN, SYM -> the primitives block and its symbol offsets
function(bytes_of file out_var)
    file(READ ${file} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," list "${hex}")
    string(REGEX REPLACE "(([^,]*,){16})" "\\1\n    " list "${list}")
    set(${out_var} "${list}" PARENT_SCOPE)
endfunction()

set(text "// Generated from src/arch/arm by cmake/scripts/EmbedArm.cmake; do not edit.\n")
if(MODE STREQUAL "images")
    bytes_of(${SA} sa)
    bytes_of(${PXA} pxa)
    string(APPEND text "#include \"arch/arm/SecondStageImages.h\"\n\n"
        "const uint8_t kSecondStageSa11x0[kSecondStageSa11x0Size] = {\n    ${sa}\n};\n"
        "const uint8_t kSecondStagePxa2x0[kSecondStagePxa2x0Size] = {\n    ${pxa}\n};\n")
else()
    bytes_of(${BIN} code)
    file(STRINGS ${SYM} lines)
    set(symbols "")
    foreach(line ${lines})
        if(line MATCHES "^([0-9a-f]+) [TB] ([A-Za-z_][A-Za-z0-9_]*)$")
            string(APPEND symbols "    {\"${CMAKE_MATCH_2}\", 0x${CMAKE_MATCH_1}},\n")
        elseif(line MATCHES "^([0-9a-f]+) [A-Za-z] codeEnd$")
            string(APPEND symbols "    {\"codeEnd\", 0x${CMAKE_MATCH_1}},\n")
        endif()
    endforeach()
    string(APPEND text "#include \"machine/ArmCodeImage.h\"\n\n"
        "namespace host {\n\n"
        "const std::vector<uint8_t>& armCodeBytes() {\n"
        "    static const std::vector<uint8_t> bytes = {\n    ${code}\n    };\n"
        "    return bytes;\n}\n\n"
        "const std::vector<ArmCodeSymbol>& armCodeSymbols() {\n"
        "    static const std::vector<ArmCodeSymbol> symbols = {\n${symbols}    };\n"
        "    return symbols;\n}\n\n"
        "}  // namespace host\n")
endif()
file(WRITE ${OUT} "${text}")
