// XScale PXA250/PXA270: 64 MiB RAM regions from 0xA0000000, a 32 KiB data
// cache cleaned with a 64 KiB read, the full-function UART.
#pragma once

#include "arch/arm/ARMArchitecture.h"

class PXA2X0Architecture : public ARMArchitecture {
  public:
    // Prints "PXA-2x0 CPU.\n" after the ARM message.
    PXA2X0Architecture(Console*& console, MemoryManager*& memoryManager);
    ~PXA2X0Architecture() override;
    bool init() override;
    // The 392-byte second-stage loader into the last reserved page.
    bool setupLoader() override;
    // FlatJump_pxa2x0; if it ever comes back, leaves kernel mode and says so.
    void jumpTo(uint32_t bootArgs, uint32_t chainHead) override;
    void testFrameBuffer() override;
    void testSerialPort() override;
    void testSpare() override {}
    // Writes the first `bytes` of the physical address space, in whole
    // 4096-byte pages, to "rom.bin" in the current directory. Gives up (the
    // file keeps what was written) when a page cannot be mapped.
    void dumpROM(uint32_t bytes);
};
