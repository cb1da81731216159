/*
 * The demo kernel's layout: code, read-only and initialised data in one
 * loadable segment, bss in a second one that the file does not carry.
 * kernel_base defaults to the SA-11x0 machines (0xC0200000); PXA-2x0 builds
 * pass 0xA0200000. kernel_end is where the boot loader puts the kernel
 * symbol block: right behind the last segment, on a 4-byte boundary.
 */
ENTRY(start)

PHDRS
{
    image PT_LOAD;
    zero PT_LOAD;
}

SECTIONS
{
    . = DEFINED(kernel_base) ? kernel_base : 0xC0200000;
    .text : { *(.text.start) *(.text .text.*) *(.rodata .rodata.*) } :image
    .data : { *(.data .data.*) } :image
    .bss (NOLOAD) : { *(.bss .bss.*) *(COMMON) . = ALIGN(4); } :zero
    kernel_end = .;
    /DISCARD/ : { *(.ARM.exidx*) *(.comment) *(.note*) }
}
