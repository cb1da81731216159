#include "platform/PlatformId.h"

namespace {

struct Field {
    int shift;
    uint32_t mask;
};

// CPU: submodel 13..8, model 19..14, series 25..20, architecture 31..26.
constexpr Field kCpuFields[] = {{8, 0x3F}, {14, 0x3F}, {20, 0x3F}, {26, 0x3F}};
// Machine: submodel 7..0, model 15..8, series 21..16, vendor 31..22.
constexpr Field kMachineFields[] = {{0, 0xFF}, {8, 0xFF}, {16, 0x3F}, {22, 0x3FF}};

// Adds to the score; false when a nonzero pattern field differs.
bool compare(uint32_t probe, uint32_t pattern, const Field (&fields)[4], int& score) {
    for (const Field& f : fields) {
        uint32_t a = (probe >> f.shift) & f.mask;
        uint32_t b = (pattern >> f.shift) & f.mask;
        if (a != b && b != 0)
            return false;
        if (a == b)
            ++score;
    }
    return true;
}

}  // namespace

int platformMatch(const PlatformId& probe, const PlatformId& pattern) {
    int score = 1;
    if (!compare(probe.cpu, pattern.cpu, kCpuFields, score))
        return 0;
    if (!compare(probe.machine, pattern.machine, kMachineFields, score))
        return 0;
    return score;
}
