// The system's addresses are 32-bit values; these turn one into a pointer
// of this process and back, so the casts are written once.
#pragma once

#include <cstdint>

template <typename T = uint8_t>
inline T* pointerAt(uint32_t address) {
    return reinterpret_cast<T*>(uintptr_t(address));
}

inline uint32_t addressOf(const void* p) {
    return uint32_t(reinterpret_cast<uintptr_t>(p));
}
