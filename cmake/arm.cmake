# The hand-written ARM code of src/arch/arm, assembled with the GNU ARM
# assembler and embedded as byte arrays:
#  - the second-stage loader images (SA-11x0 and PXA-2x0), which the system
#    copies into a physical page: part of kestrel_system;
#  - the CPU primitives and the flat jumps (with the simulated Windows CE's
#    own MMU set-up routines), linked into one position-independent block with its symbol offsets, which the simulated handheld
#    places in its RAM and runs when the system calls them: part of
#    kestrel_host.
find_program(ARM_AS arm-linux-gnueabi-as REQUIRED)
find_program(ARM_LD arm-linux-gnueabi-ld REQUIRED)
find_program(ARM_OBJCOPY arm-linux-gnueabi-objcopy REQUIRED)
find_program(ARM_NM arm-linux-gnueabi-nm REQUIRED)

set(ARM_SRC ${CMAKE_SOURCE_DIR}/src/arch/arm)
set(ARM_OUT ${CMAKE_BINARY_DIR}/arm)
set(ARM_EMBED ${CMAKE_SOURCE_DIR}/cmake/scripts/EmbedArm.cmake)
file(MAKE_DIRECTORY ${ARM_OUT})

set(ARM_IMAGES_CPP ${ARM_OUT}/SecondStageImages.cpp)
add_custom_command(
    OUTPUT ${ARM_IMAGES_CPP}
    COMMAND ${ARM_AS} --defsym PXA2X0=0 -o ${ARM_OUT}/sa11x0.o ${ARM_SRC}/SecondStage.S
    COMMAND ${ARM_AS} --defsym PXA2X0=1 -o ${ARM_OUT}/pxa2x0.o ${ARM_SRC}/SecondStage.S
    COMMAND ${ARM_OBJCOPY} -O binary -j .text ${ARM_OUT}/sa11x0.o ${ARM_OUT}/sa11x0.bin
    COMMAND ${ARM_OBJCOPY} -O binary -j .text ${ARM_OUT}/pxa2x0.o ${ARM_OUT}/pxa2x0.bin
    COMMAND ${CMAKE_COMMAND} -DMODE=images -DOUT=${ARM_IMAGES_CPP}
            -DSA=${ARM_OUT}/sa11x0.bin -DPXA=${ARM_OUT}/pxa2x0.bin -P ${ARM_EMBED}
    DEPENDS ${ARM_SRC}/SecondStage.S ${ARM_EMBED}
    COMMENT "Assembling the second-stage loaders")
target_sources(kestrel_system PRIVATE ${ARM_IMAGES_CPP})

set(ARM_CODE_CPP ${ARM_OUT}/ArmCodeImage.cpp)
add_custom_command(
    OUTPUT ${ARM_CODE_CPP}
    COMMAND ${ARM_AS} -o ${ARM_OUT}/CpuPrimitives.o ${ARM_SRC}/CpuPrimitives.S
    COMMAND ${ARM_AS} -o ${ARM_OUT}/FlatJump.o ${ARM_SRC}/FlatJump.S
    COMMAND ${ARM_AS} -o ${ARM_OUT}/CeKernel.o ${CMAKE_SOURCE_DIR}/host/machine/CeKernel.S
    COMMAND ${ARM_LD} --no-warn-rwx-segments -T ${CMAKE_SOURCE_DIR}/cmake/scripts/ArmCode.ld -o ${ARM_OUT}/code.elf
            ${ARM_OUT}/CpuPrimitives.o ${ARM_OUT}/FlatJump.o ${ARM_OUT}/CeKernel.o
    COMMAND ${ARM_OBJCOPY} -O binary -j .text ${ARM_OUT}/code.elf ${ARM_OUT}/code.bin
    COMMAND ${ARM_NM} ${ARM_OUT}/code.elf > ${ARM_OUT}/code.sym
    COMMAND ${CMAKE_COMMAND} -DMODE=code -DOUT=${ARM_CODE_CPP}
            -DBIN=${ARM_OUT}/code.bin -DSYM=${ARM_OUT}/code.sym -P ${ARM_EMBED}
    DEPENDS ${ARM_SRC}/CpuPrimitives.S ${ARM_SRC}/FlatJump.S ${ARM_EMBED}
            ${CMAKE_SOURCE_DIR}/host/machine/CeKernel.S
            ${CMAKE_SOURCE_DIR}/cmake/scripts/ArmCode.ld
    COMMENT "Assembling the CPU primitives and flat jumps")
target_sources(kestrel_host PRIVATE ${ARM_CODE_CPP})
