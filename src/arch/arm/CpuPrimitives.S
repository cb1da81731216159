@ CPU primitives: leaf routines of a few instructions each. No stack frame;
@ every routine returns through lr. Arguments and results in r0 (ARM
@ procedure call standard). The CP15 and status-register accesses need a
@ privileged mode (the thread runs in System mode after SetKMode(TRUE)); in
@ User mode the coprocessor accesses take the undefined-instruction trap
@ and the status-register writes leave the control field unchanged.
@ Assembled for ARMv4; only program-counter-relative references, so the
@ block runs wherever it is placed.

    .arch armv4
    .arm
    .text

@ disableInterrupts: masks IRQ and FIQ.
@   in: nothing. clobbers: r0. leaves: CPSR I and F set; MMU, caches and
@   mode unchanged.
    .global disableInterrupts
disableInterrupts:
    mrs r0, cpsr
    orr r0, r0, #0xC0
    msr cpsr_cf, r0
    mov pc, lr

@ enableInterrupts: unmasks IRQ and FIQ.
@   in: nothing. clobbers: r0. leaves: CPSR I and F clear; the rest unchanged.
    .global enableInterrupts
enableInterrupts:
    mrs r0, cpsr
    bic r0, r0, #0xC0
    msr cpsr_cf, r0
    mov pc, lr

@ getCPSR: r0 = CPSR. clobbers nothing else; changes no state.
    .global getCPSR
getCPSR:
    mrs r0, cpsr
    mov pc, lr

@ The CP15 readers: r0 = the register. No other register or state changes.
    .global readCP15ID
readCP15ID:
    mrc p15, 0, r0, c0, c0, 0       @ main ID
    mov pc, lr

    .global readCP15Control
readCP15Control:
    mrc p15, 0, r0, c1, c0, 0       @ control
    mov pc, lr

    .global readCP15TTB
readCP15TTB:
    mrc p15, 0, r0, c2, c0, 0       @ translation table base
    mov pc, lr

    .global readCP15Domain
readCP15Domain:
    mrc p15, 0, r0, c3, c0, 0       @ domain access control
    mov pc, lr

@ writeCP15Domain: r0 = the new domain access control value.
@   clobbers nothing; leaves the domains as given (takes effect at once).
    .global writeCP15Domain
writeCP15Domain:
    mcr p15, 0, r0, c3, c0, 0
    mov pc, lr

    .global readCP15FSR
readCP15FSR:
    mrc p15, 0, r0, c5, c0, 0       @ fault status
    mov pc, lr

    .global readCP15FAR
readCP15FAR:
    mrc p15, 0, r0, c6, c0, 0       @ fault address
    mov pc, lr

    .global readCP15PID
readCP15PID:
    mrc p15, 0, r0, c13, c0, 0      @ process identifier
    mov pc, lr

    .global readCP15Reg14
readCP15Reg14:
    mrc p15, 0, r0, c14, c0, 0      @ no architecture-wide meaning: read raw
    mov pc, lr

@ cleanDCache: reads one word every 32 bytes (one cache line) of
@ cacheFlushArea; reading a cache-sized area displaces every line of a
@ write-back data cache of that size, so dirty lines reach memory.
@   in: r0 = bytes to read (the data-cache size, at most 65536).
@   clobbers: r0-r3. leaves: MMU, interrupts and mode unchanged.
    .global cleanDCache
cleanDCache:
    ldr r1, 2f
3:  add r1, pc, r1                  @ r1 = cacheFlushArea (pc reads as 3b + 8)
    add r2, r1, r0
1:  cmp r1, r2
    ldrlo r3, [r1], #32
    blo 1b
    mov pc, lr
2:  .word cacheFlushArea - (3b + 8)

@ Read by cleanDCache only; its size bounds the data-cache size.
    .bss
    .balign 32
    .global cacheFlushArea
cacheFlushArea:
    .space 65536
