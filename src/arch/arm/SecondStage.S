@ The second-stage loader: copied as bytes into a reserved page and run at
@ that page's physical address with the MMU off. It walks the page-tag
@ chain (next, src, dst, size; 0xFFFFFFFF in next ends it, in src means
@ zero fill), copying every link into place word by word, sets a stack
@ behind the loaded image and enters the kernel. Position-independent:
@ only pc-relative branches and literal loads.
@
@ Assembled twice: with PXA2X0 = 0 for the SA-11x0 (424 bytes) and with
@ PXA2X0 = 1 for the PXA-2x0 (392 bytes), which puts every destination and
@ the entry into the first 16 MiB of SDRAM at 0xA0000000.
@
@ Entry (first byte):
@   r0 = physical address of the boot-arguments block (entry, argc, argv,
@        BootInfo)
@   r1 = physical address of the first page tag
@   r2 = initial stack pointer (used only until the walk replaces it)
@   MMU, caches and write buffer off, IRQ and FIQ masked, privileged mode.
@ Clobbers: every register. Leaves, at the kernel's entry: r0 = argc,
@ r1 = argv, r2 = BootInfo (physical), sp = (end of last link + 0x2000)
@ rounded down to 4 KiB; MMU, caches, interrupts and mode as on entry.
@ Does not return.

    .arch armv4
    .arm
    .text

    .equ END_OF_CHAIN, 0xFFFFFFFF
    .equ SDRAM_BASE, 0xA0000000     @ PXA-2x0: first SDRAM bank
    .equ STACK_GAP, 0x2000          @ stack top lies 4..8 KiB above the image

    .if PXA2X0
    .equ UART_BASE, 0x40100000      @ full-function UART
    .equ UART_DATA, 0x00            @ THR
    .equ UART_STATUS, 0x14          @ LSR
    .equ UART_READY, 0x20           @ LSR.TDRQ: transmit data request
    .equ IMAGE_SIZE, 392
    .else
    .equ UART_BASE, 0x80050000      @ serial port 3
    .equ UART_DATA, 0x14            @ UTDR
    .equ UART_STATUS, 0x20          @ UTSR1
    .equ UART_BUSY, 0x01            @ UTSR1.TBY: transmitter busy
    .equ FILL_BASE, 0xC0003000      @ where fillScreen paints
    .equ FILL_ROUND, 0x9600         @ eight rounds: 0x4B000 bytes
    .equ IMAGE_SIZE, 424
    .endif

    .global secondStage
secondStage:
    nop
    nop
    nop
    mov sp, r2
    bl walk                         @ the link is never used

@ r8 = block, r9 = tag, r4..r7 = next, src, dst, size, r10 = end.
walk:
    mov r8, r0
    mov r9, r1
    mov r10, #0
nextTag:
    cmn r9, #1                      @ tag == END_OF_CHAIN?
    beq enter
    ldmia r9, {r4-r7}
    .if PXA2X0
    bic r6, r6, #0xFF000000
    orr r6, r6, #SDRAM_BASE
    .endif
    add r10, r6, r7
    mov r9, r4
    cmn r5, #1                      @ src == 0xFFFFFFFF: zero fill
    bne copy
    mov r0, #0
zeroFill:
    str r0, [r6], #4
    cmp r6, r10                     @ signed, as every dst/end comparison
    blt zeroFill
    b nextTag
copy:
    ldmia r5!, {r0, r1}
    str r0, [r6], #4
    cmp r6, r10
    strlt r1, [r6], #4
    cmp r6, r10
    blt copy
    b nextTag

enter:
    add sp, r10, #STACK_GAP
    mov sp, sp, lsr #12
    mov sp, sp, lsl #12
    ldr r3, [r8]                    @ kernel entry
    ldr r0, [r8, #4]                @ argc
    ldr r1, [r8, #8]                @ argv
    ldr r2, [r8, #12]               @ BootInfo
    .if PXA2X0
    bic r3, r3, #0xFF000000
    orr r3, r3, #SDRAM_BASE
    .endif
    mov pc, r3
hang:
    nop
    b hang

@ Diagnostics, not called by the walk.

@ putc: sends the byte in r0 to the processor's serial port, polling.
@   clobbers: r1, r2. Needs the MMU off (physical register addresses).
putc:
    ldr r1, uartBase
1:
    .if PXA2X0
    ldrb r2, [r1, #UART_STATUS]
    tst r2, #UART_READY
    beq 1b
    strb r0, [r1, #UART_DATA]
    .else
    ldr r2, [r1, #UART_STATUS]
    tst r2, #UART_BUSY
    bne 1b
    str r0, [r1, #UART_DATA]
    .endif
    mov pc, lr

@ putHex: prints r0 as "0x", eight upper-case hexadecimal digits, CR, LF.
@   clobbers: r0-r6.
putHex:
    mov r6, lr
    mov r5, r0
    mov r0, #'0'
    bl putc
    mov r0, #'x'
    bl putc
    mov r4, #8
2:
    mov r0, r5, lsr #28
    cmp r0, #10
    addlo r0, r0, #'0'
    addhs r0, r0, #('A' - 10)
    bl putc
    mov r5, r5, lsl #4
    subs r4, r4, #1
    bne 2b
    mov r0, #'\r'
    bl putc
    mov r0, #'\n'
    bl putc
    mov pc, r6

    .if PXA2X0 == 0
@ fillScreen: fills 0x4B000 bytes from physical FILL_BASE with words whose
@ every byte is (r0 AND 7), in eight rounds of FILL_ROUND bytes.
@   clobbers: r0-r4.
fillScreen:
    and r0, r0, #7
    orr r0, r0, r0, lsl #8
    orr r0, r0, r0, lsl #16
    ldr r1, fillBase
    mov r3, #8
3:
    add r2, r1, #FILL_ROUND
4:
    str r0, [r1], #4
    cmp r1, r2
    blo 4b
    subs r3, r3, #1
    bne 3b
    mov pc, lr
fillBase:
    .word FILL_BASE
    .endif

uartBase:
    .word UART_BASE

@ The image has a fixed size; the rest is padding.
    .space IMAGE_SIZE - (. - secondStage)
secondStageEnd:
    .if (secondStageEnd - secondStage) - IMAGE_SIZE
    .error "second-stage image has the wrong size"
    .endif
