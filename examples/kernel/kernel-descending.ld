/*
 * The test kernel with its program headers in descending address order:
 * the data segment (with its bss) lies 1 MiB above the code but comes first
 * in the table, so the symbol block follows the code, the last segment of
 * the table.
 */
ENTRY(start)

PHDRS
{
    high PT_LOAD;
    low PT_LOAD;
}

SECTIONS
{
    . = DEFINED(kernel_base) ? kernel_base : 0xC0200000;
    .text : { *(.text.start) *(.text .text.*) *(.rodata .rodata.*) } :low
    . = ADDR(.text) + 0x100000;
    .data : { *(.data .data.*) } :high
    .bss : { *(.bss .bss.*) *(COMMON) } :high
    /DISCARD/ : { *(.ARM.exidx*) *(.comment) *(.note*) }
}
