// The CPU primitives (CpuPrimitives.S) and the flat jumps (FlatJump.S):
// leaf routines in ARM code. CP15 and status-register access needs a
// privileged mode, which the thread gets from SetKMode(TRUE).
#pragma once

#include <cstdint>

// The data-cache size in bytes that cleanDCache reads; each processor
// variant sets it in init. Bounded by the cache-flush area (65536 bytes).
uint32_t& dcacheSize();
constexpr uint32_t kCacheFlushAreaSize = 65536;

void disableInterrupts();  // sets CPSR I and F
void enableInterrupts();   // clears CPSR I and F
uint32_t getCPSR();
uint32_t readCP15ID();
uint32_t readCP15Control();
uint32_t readCP15TTB();
uint32_t readCP15Domain();
void writeCP15Domain(uint32_t value);
uint32_t readCP15FSR();
uint32_t readCP15FAR();
uint32_t readCP15PID();
uint32_t readCP15Reg14();
// Reads `bytes` of the cache-flush area (at most kCacheFlushAreaSize), a
// word per 32-byte line; the routine takes the count in r0.
void cleanDCache(uint32_t bytes);
// cleanDCache of dcacheSize() bytes, bounded by the cache-flush area.
void cleanDataCache();

// Mask interrupts, turn the MMU and caches off and branch to the
// second-stage loader at `loaderPage` with r0 = bootArgs, r1 = chainHead,
// r2 = stack. Return only when the branch was not taken.
void FlatJump_sa11x0(uint32_t bootArgs, uint32_t chainHead, uint32_t stack, uint32_t loaderPage);
void FlatJump_pxa2x0(uint32_t bootArgs, uint32_t chainHead, uint32_t stack, uint32_t loaderPage);
