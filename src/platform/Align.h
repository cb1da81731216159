// Roundings to a unit (a page, 64 KiB, a word). The rounding up is done in
// 64 bits, so no 32-bit operand wraps; callers whose result must be a 32-bit
// value take the checked form and decide what a value past 4 GiB means.
#pragma once

#include <cstdint>

// `value` rounded up to a multiple of `unit` (nonzero).
constexpr uint64_t alignUp(uint64_t value, uint32_t unit) {
    return (value + unit - 1) / unit * unit;
}

// The same rounding into `result`; false, with `result` untouched, when the
// multiple would lie past 32 bits.
constexpr bool alignUp(uint64_t value, uint32_t unit, uint32_t& result) {
    uint64_t rounded = alignUp(value, unit);
    if (rounded > UINT32_MAX)
        return false;
    result = uint32_t(rounded);
    return true;
}

// `value` rounded down to a multiple of `unit` (nonzero).
constexpr uint64_t alignDown(uint64_t value, uint32_t unit) {
    return value / unit * unit;
}
