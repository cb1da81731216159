// One link of the chain that the second-stage loader walks with the MMU off:
// copy `size` bytes from physical `src` to physical `dst` (or zero-fill when
// `src` is kZeroFill), then go on at physical `next` (kEndOfChain ends it).
// SecondStage.S tests for the same two values.
#pragma once

#include <cstddef>
#include <cstdint>

struct PageTag {
    static constexpr uint32_t kEndOfChain = 0xFFFFFFFF;
    static constexpr uint32_t kZeroFill = 0xFFFFFFFF;
    uint32_t next;
    uint32_t src;
    uint32_t dst;
    uint32_t size;
};
static_assert(sizeof(PageTag) == 16);
static_assert(offsetof(PageTag, src) == 4 && offsetof(PageTag, dst) == 8 &&
              offsetof(PageTag, size) == 12);
