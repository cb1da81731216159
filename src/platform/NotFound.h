// The answer of every lookup of the system that finds nothing: no physical
// address, no mapping, no block held, no size known. It is the one 32-bit
// value no page-aligned address and no size a 32-bit read can reach takes.
#pragma once

#include <cstdint>

inline constexpr uint32_t kNotFound = 0xFFFFFFFF;
