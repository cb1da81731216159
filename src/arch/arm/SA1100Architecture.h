// StrongARM SA-1100/SA-1110: 128 MiB RAM regions from 0xC0000000, an
// 8 KiB data cache, serial port 3 and the LCD controller.
#pragma once

#include "arch/arm/ARMArchitecture.h"

class SA1100Architecture : public ARMArchitecture {
  public:
    // Prints "SA-11x0 CPU.\n" after the ARM message.
    SA1100Architecture(Console*& console, MemoryManager*& memoryManager);
    ~SA1100Architecture() override;
    bool init() override;
    // The 424-byte second-stage loader into the last reserved page.
    bool setupLoader() override;
    // FlatJump_sa11x0; returns only if the jump did not happen.
    void jumpTo(uint32_t bootArgs, uint32_t chainHead) override;
    void testFrameBuffer() override;
    void testSerialPort() override;
    void testSpare() override {}
};
