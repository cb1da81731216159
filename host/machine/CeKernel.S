@ The simulated Windows CE's own privileged routines, placed beside the
@ system's CPU primitives in the handheld's RAM. The host runs them in
@ Supervisor mode to set the MMU up for the application thread.

    .arch armv4
    .arm
    .text

@ ceSetTranslation: r0 = translation table base, r1 = domain access control,
@ r2 = process identifier, r3 = control register. Invalidates the TLBs and
@ caches. Must run from a page mapped at its physical address.
@ clobbers: nothing. leaves: the MMU as given; mode unchanged.
    .global ceSetTranslation
ceSetTranslation:
    mcr p15, 0, r0, c2, c0, 0
    mcr p15, 0, r1, c3, c0, 0
    mcr p15, 0, r2, c13, c0, 0
    mcr p15, 0, r0, c8, c7, 0
    mcr p15, 0, r0, c7, c7, 0
    mcr p15, 0, r3, c1, c0, 0
    mov pc, lr

@ ceFlushTlb: invalidates the TLBs after the tables changed.
@ clobbers: nothing.
    .global ceFlushTlb
ceFlushTlb:
    mcr p15, 0, r0, c8, c7, 0
    mov pc, lr

@ ceReturn: where every call made by the host returns to.
    .global ceReturn
ceReturn:
    b ceReturn
