// XScale PXA250/PXA270: 64 MiB RAM regions from 0xA0000000, a 32 KiB data
// cache cleaned with a 64 KiB read, the full-function UART, and a
// second-stage loader that reaches only the first 16 MiB of SDRAM.
#pragma once

#include "arch/arm/ARMArchitecture.h"

class PXA2X0Architecture : public ARMArchitecture {
  public:
    // Prints "PXA-2x0 CPU.\n" after the ARM message.
    PXA2X0Architecture(Console*& console, MemoryManager*& memoryManager);
    ~PXA2X0Architecture() override;
    // Says there is no frame buffer test.
    void testFrameBuffer() override;
    // Writes the first `bytes` of the physical address space, in whole
    // 4096-byte pages, to "rom.bin" in the current directory. Gives up (the
    // file keeps what was written) when a page cannot be mapped.
    void dumpROM(uint32_t bytes);
};
