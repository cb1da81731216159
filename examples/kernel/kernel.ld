/*
 * The test kernel's layout: code, read-only and initialised data in one
 * loadable segment at the kernel's physical address, bss in a second one
 * that the file does not carry. kernel_base defaults to the SA-11x0
 * example machine (0xC0200000); PXA-2x0 builds pass 0xA0200000.
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
    .bss (NOLOAD) : { *(.bss .bss.*) *(COMMON) } :zero
    /DISCARD/ : { *(.ARM.exidx*) *(.comment) *(.note*) }
}
