/* The CPU primitives and flat jumps as one block from offset 0: code, then
   the cache-flush area. The block is position-independent. */
ENTRY(disableInterrupts)
SECTIONS {
    . = 0;
    .text : { *(.text) }
    . = ALIGN(32);
    .bss : { *(.bss) }
    codeEnd = .;
}
