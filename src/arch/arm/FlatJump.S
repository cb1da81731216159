@ The routines that leave Windows CE: mask interrupts, turn the MMU and the
@ caches off and branch to the second-stage loader at its physical page.
@ They must run from a page whose virtual address equals its physical
@ address: once the MMU is off the next instruction is fetched physically.
@
@ Both take the second-stage loader's register interface and hand it on
@ untouched:
@   r0 = physical address of the boot-arguments block
@   r1 = physical address of the first page tag
@   r2 = initial stack pointer (physical)
@   r3 = physical address of the second-stage loader page (branch target)
@ clobbers: r4. leaves: IRQ and FIQ masked, control register 0x2030 (MMU,
@ data cache, write buffer and instruction cache off, vectors high),
@ caches and TLBs invalidated, mode unchanged. Does not return.

    .arch armv4
    .arm
    .text

    .equ CPSR_IF, 0xC0              @ IRQ and FIQ mask bits
    .equ CONTROL_OFF_HI, 0x2000     @ control register: vectors high (bit 13)
    .equ CONTROL_OFF_LO, 0x0030     @ bits 4 and 5, which read as one

@ StrongARM: control register first, then cache and TLB invalidation.
    .global FlatJump_sa11x0
FlatJump_sa11x0:
    mrs r4, cpsr
    orr r4, r4, #CPSR_IF
    msr cpsr_c, r4
    mov r4, #CONTROL_OFF_HI
    orr r4, r4, #CONTROL_OFF_LO
    mcr p15, 0, r4, c1, c0, 0       @ MMU, caches, write buffer off
    mcr p15, 0, r4, c7, c7, 0       @ invalidate I and D caches
    mcr p15, 0, r4, c8, c7, 0       @ invalidate I and D TLBs
    mov pc, r3

@ XScale: invalidate caches and the branch target buffer, drain the
@ pipeline, control register, TLBs, drain again. The drain is a no-op move
@ and a branch to the next instruction (pc reads 8 ahead).
    .global FlatJump_pxa2x0
FlatJump_pxa2x0:
    mrs r4, cpsr
    orr r4, r4, #CPSR_IF
    msr cpsr_c, r4
    mcr p15, 0, r4, c7, c7, 0       @ invalidate I and D caches and the BTB
    mov r4, r4
    sub pc, pc, #4
    mov r4, #CONTROL_OFF_HI
    orr r4, r4, #CONTROL_OFF_LO
    mcr p15, 0, r4, c1, c0, 0       @ MMU and caches off
    mcr p15, 0, r4, c8, c7, 0       @ invalidate I and D TLBs
    mov r4, r4
    sub pc, pc, #4
    mov pc, r3
    mov pc, lr                      @ reached only if the branch were not taken
