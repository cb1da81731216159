# Test kernels, built at build time by the ARM cross compiler from
# examples/kernel: the plain kernel, a stripped one, one with its segments
# in descending address order, the plain one gzip-compressed, a PXA-2x0
# build, and a small file-system image (UFS1, from makefs). Outputs go to
# ${CMAKE_BINARY_DIR}/kernels; tests find them through KESTREL_BINARY_DIR.
find_program(KESTREL_ARM_GCC arm-linux-gnueabi-gcc)
find_program(KESTREL_ARM_STRIP arm-linux-gnueabi-strip)
find_program(KESTREL_GZIP gzip)
find_program(KESTREL_MAKEFS makefs PATHS /usr/sbin /sbin)

set(KESTREL_KERNEL_DIR ${CMAKE_BINARY_DIR}/kernels)
set(KESTREL_KERNEL_SOURCE ${CMAKE_SOURCE_DIR}/examples/kernel)

if(KESTREL_ARM_GCC AND KESTREL_ARM_STRIP AND KESTREL_GZIP)
    set(kernel_flags -march=armv4 -marm -ffreestanding -nostdlib -fno-pie -no-pie -static
        -O2 -Wall -Wl,--build-id=none -Wl,--no-warn-rwx-segments)
    set(kernel_c ${KESTREL_KERNEL_SOURCE}/kernel.c)

    # kestrel_kernel(OUTPUT SCRIPT [extra compiler flags...])
    function(kestrel_kernel output script)
        set(objects ${ARGN})
        list(FILTER objects INCLUDE REGEX "\\.S$")
        add_custom_command(OUTPUT ${KESTREL_KERNEL_DIR}/${output}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTREL_KERNEL_DIR}
            COMMAND ${KESTREL_ARM_GCC} ${kernel_flags} ${ARGN}
                -Wl,-T,${KESTREL_KERNEL_SOURCE}/${script} -o ${KESTREL_KERNEL_DIR}/${output}
                ${kernel_c}
            DEPENDS ${kernel_c} ${KESTREL_KERNEL_SOURCE}/${script} ${objects}
            COMMENT "ARM test kernel ${output}" VERBATIM)
    endfunction()

    kestrel_kernel(kernel.elf kernel.ld)
    kestrel_kernel(kernel-descending.elf kernel-descending.ld)
    kestrel_kernel(kernel-pxa.elf kernel.ld -DKERNEL_PXA2X0 -Wl,--defsym=kernel_base=0xA0200000)

    add_custom_command(OUTPUT ${KESTREL_KERNEL_DIR}/kernel-stripped.elf
        COMMAND ${KESTREL_ARM_STRIP} -s -o ${KESTREL_KERNEL_DIR}/kernel-stripped.elf
            ${KESTREL_KERNEL_DIR}/kernel.elf
        DEPENDS ${KESTREL_KERNEL_DIR}/kernel.elf VERBATIM)
    add_custom_command(OUTPUT ${KESTREL_KERNEL_DIR}/kernel.elf.gz
        COMMAND sh -c "${KESTREL_GZIP} -9 -c kernel.elf > kernel.elf.gz"
        WORKING_DIRECTORY ${KESTREL_KERNEL_DIR}
        DEPENDS ${KESTREL_KERNEL_DIR}/kernel.elf VERBATIM)
    set(kernel_outputs kernel.elf kernel-descending.elf kernel-pxa.elf kernel-stripped.elf
        kernel.elf.gz)

    # Large kernels (the test kernel with 1, 4 or 8 MiB of read-only
    # padding) and memory-disk images of 8 and 12 MiB, for the placement
    # tests: as big as the kernels and images people really boot.
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    set(pad_script ${CMAKE_SOURCE_DIR}/cmake/scripts/pad.py)
    function(kestrel_padding name bytes)
        add_custom_command(OUTPUT ${KESTREL_KERNEL_DIR}/${name} ${ARGN}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTREL_KERNEL_DIR}
            COMMAND ${Python3_EXECUTABLE} ${pad_script} ${KESTREL_KERNEL_DIR}/${name} ${bytes}
                ${ARGN}
            DEPENDS ${pad_script} VERBATIM)
    endfunction()
    foreach(mib 1 4 8)
        math(EXPR bytes "${mib} * 1048576 - 65536")
        set(pad ${KESTREL_KERNEL_DIR}/pad-${mib}m.S)
        kestrel_padding(pad-${mib}m.bin ${bytes} ${pad})
        kestrel_kernel(kernel-${mib}m.elf kernel.ld ${pad})
        kestrel_kernel(kernel-pxa-${mib}m.elf kernel.ld -DKERNEL_PXA2X0
            -Wl,--defsym=kernel_base=0xA0200000 ${pad})
        list(APPEND kernel_outputs kernel-${mib}m.elf kernel-pxa-${mib}m.elf)
    endforeach()
    kestrel_padding(image-8m.fs 0x800000)
    kestrel_padding(image-12m.fs 0xC00000)
    list(APPEND kernel_outputs image-8m.fs image-12m.fs)

    if(KESTREL_MAKEFS)
        # A UFS1 image holding the kernel's source: any file does for loading.
        add_custom_command(OUTPUT ${KESTREL_KERNEL_DIR}/miniroot.fs
            COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTREL_KERNEL_DIR}
            COMMAND ${KESTREL_MAKEFS} -t ffs -o version=1 -s 256k
                ${KESTREL_KERNEL_DIR}/miniroot.fs ${KESTREL_KERNEL_SOURCE}
            DEPENDS ${kernel_c} VERBATIM)
        list(APPEND kernel_outputs miniroot.fs)
    endif()

    list(TRANSFORM kernel_outputs PREPEND ${KESTREL_KERNEL_DIR}/)
    add_custom_target(kestrel_kernels ALL DEPENDS ${kernel_outputs})
    # kestrel-util is defined after this file: attach the kernels once every
    # target exists. (The test programs name what they need themselves.)
    function(kestrel_kernel_users)
        if(TARGET kestrel-util)
            add_dependencies(kestrel-util kestrel_kernels)
        endif()
    endfunction()
    cmake_language(DEFER CALL kestrel_kernel_users)
else()
    message(STATUS "arm-linux-gnueabi-gcc, its strip or gzip missing: no test kernels")
endif()
