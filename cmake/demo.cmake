# The demo kernel (examples/kernel/demo.c), built for both processor
# families by the ARM cross compiler, and the example handhelds made ready
# to boot it: a build-side copy of each examples/<machine> folder with the
# kernel gzip-compressed on its storage card as "keldos.gz" and a
# kestrel.cnf naming the machine's platform (written by kestrel-util).
find_program(DEMO_ARM_GCC arm-linux-gnueabi-gcc REQUIRED)
find_program(DEMO_GZIP gzip REQUIRED)

set(DEMO_SOURCE ${CMAKE_SOURCE_DIR}/examples/kernel/demo.c)
set(DEMO_SCRIPT ${CMAKE_SOURCE_DIR}/examples/kernel/demo.ld)
set(DEMO_OUT ${CMAKE_BINARY_DIR}/kernels)
set(demo_flags -march=armv4 -marm -ffreestanding -nostdlib -fno-pie -no-pie -static -O2 -Wall
    -Wl,--build-id=none -Wl,--no-warn-rwx-segments)

# demo_kernel(FAMILY [flags...]): demo-FAMILY.elf and demo-FAMILY.elf.gz
function(demo_kernel family)
    set(elf ${DEMO_OUT}/demo-${family}.elf)
    add_custom_command(OUTPUT ${elf} ${elf}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${DEMO_OUT}
        # The symbols defined on the command line come before the script reads them.
        COMMAND ${DEMO_ARM_GCC} ${demo_flags} ${ARGN} -Wl,-T,${DEMO_SCRIPT} -o ${elf} ${DEMO_SOURCE}
        COMMAND sh -c "${DEMO_GZIP} -9 -n -c '${elf}' > '${elf}.gz'"
        DEPENDS ${DEMO_SOURCE} ${DEMO_SCRIPT}
        COMMENT "Demo kernel for ${family}" VERBATIM)
endfunction()
demo_kernel(sa11x0)
# Linked where the PXA-2x0 second-stage loader puts it: SDRAM at 0xA0000000.
demo_kernel(pxa2x0 -DKERNEL_PXA2X0 -Wl,--defsym=kernel_base=0xA0200000)

# demo_device(NAME FAMILY CPU_WORD MACHINE_WORD)
set(demo_devices "")
function(demo_device name family cpu machine)
    set(dir ${CMAKE_BINARY_DIR}/examples/${name})
    set(card "${dir}/root/Storage Card")
    add_custom_command(OUTPUT ${dir}/machine.conf "${card}/keldos.gz" "${card}/kestrel.cnf"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${card}" ${dir}/disks
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/examples/${name}/machine.conf
                ${dir}/machine.conf
        COMMAND ${CMAKE_COMMAND} -E copy ${DEMO_OUT}/demo-${family}.elf.gz "${card}/keldos.gz"
        COMMAND ${CMAKE_COMMAND} -E rm -f "${card}/kestrel.cnf"
        COMMAND $<TARGET_FILE:kestrel-util> config set "${card}/kestrel.cnf"
                "directory=\\Storage Card\\" kernelName=keldos.gz cpuId=${cpu}
                machineId=${machine} rootDevice=wd
        DEPENDS ${CMAKE_SOURCE_DIR}/examples/${name}/machine.conf ${DEMO_OUT}/demo-${family}.elf.gz
                kestrel-util
        COMMENT "Example handheld ${name} with the demo kernel" VERBATIM)
    set(demo_devices ${demo_devices} ${dir}/machine.conf PARENT_SCOPE)
endfunction()
demo_device(jornada720 sa11x0 0x0c108000 0x02c20201)
demo_device(ipaq3900 pxa2x0 0x0c204000 0x01c40301)
demo_device(wzero3 pxa2x0 0x0c208000 0x01040100)

# The kernels alone (tests put them on cards of their own) and the examples.
add_custom_target(kestrel_demo_kernels DEPENDS
    ${DEMO_OUT}/demo-sa11x0.elf ${DEMO_OUT}/demo-sa11x0.elf.gz
    ${DEMO_OUT}/demo-pxa2x0.elf ${DEMO_OUT}/demo-pxa2x0.elf.gz)
add_custom_target(kestrel_demo ALL DEPENDS ${demo_devices})
add_dependencies(kestrel_demo kestrel_demo_kernels)
