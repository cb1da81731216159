// StrongARM SA-1100/SA-1110: 128 MiB RAM regions from 0xC0000000, an
// 8 KiB data cache, serial port 3 and the LCD controller.
#pragma once

#include "arch/arm/ARMArchitecture.h"

class SA1100Architecture : public ARMArchitecture {
  public:
    // Prints "SA-11x0 CPU.\n" after the ARM message.
    SA1100Architecture(Console*& console, MemoryManager*& memoryManager);
    ~SA1100Architecture() override;
    // A pattern of 640 x 480 one-byte pixels behind the palette of the frame
    // buffer the LCD controller scans.
    void testFrameBuffer() override;
};
