// A platform: the CPU word and the machine word, each made of fields that
// compare one by one, a zero field in a pattern matching anything.
#pragma once

#include <cstdint>

struct PlatformId {
    uint32_t cpu;
    uint32_t machine;
};

// Score of a probe against a pattern: 0 for no match, else 1 plus the number
// of fields in which the two agree (1 to 9). Bits 7..0 of the CPU word take
// no part.
int platformMatch(const PlatformId& probe, const PlatformId& pattern);

// CPU words of the families the system boots.
constexpr uint32_t kCpuSA1100 = 0x0c104000;
constexpr uint32_t kCpuSA1110 = 0x0c108000;
constexpr uint32_t kCpuPXA250 = 0x0c204000;
constexpr uint32_t kCpuPXA270 = 0x0c208000;
