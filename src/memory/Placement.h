// Where the second-stage loader puts a link: (dst AND mask) OR base. The
// SA-11x0 loader uses destinations as they are; the PXA-2x0 loader folds
// every destination into the first 16 MiB of SDRAM. A link is written
// contiguously from its folded start, so a range that would run past the
// window the fold reaches cannot be placed as asked.
#pragma once

#include <cstdint>

struct Placement {
    uint32_t mask;
    uint32_t base;

    uint32_t apply(uint32_t dst) const { return (dst & mask) | base; }
    // True when [dst, dst + size) stays inside one window of the fold (for
    // the identity: below 4 GiB), so that its folded image is contiguous.
    bool fits(uint32_t dst, uint64_t size) const {
        return uint64_t(dst & mask) + size <= uint64_t(mask) + 1;
    }
    bool folds() const { return mask != 0xFFFFFFFF; }
};

inline constexpr Placement kPlaceAsIs{0xFFFFFFFF, 0};
