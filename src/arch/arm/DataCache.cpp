#include "arch/arm/CpuPrimitives.h"

// 8192 until a processor variant's init sets its own size.
uint32_t& dcacheSize() {
    static uint32_t size = 8192;
    return size;
}

void cleanDataCache() {
    uint32_t bytes = dcacheSize();
    cleanDCache(bytes < kCacheFlushAreaSize ? bytes : kCacheFlushAreaSize);
}
