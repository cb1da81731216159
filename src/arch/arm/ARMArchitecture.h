// The ARM branch of Architecture: the CP15 register dump after the system
// probe, the placing of the second-stage loader and the jump that both
// processor variants share, and the diagnostics they implement.
#pragma once

#include <cstdint>

#include "arch/Architecture.h"

class ARMArchitecture : public Architecture {
  public:
    // Prints "ARM architecture.\n".
    ARMArchitecture(Console*& console, MemoryManager*& memoryManager);
    ~ARMArchitecture() override;
    // The base probe, then CP15 registers 0-3, 5, 6, 13, 14 and CPSR, read in
    // System mode with interrupts masked. When SetKMode does not give System
    // mode it prints "can't change to System mode" and skips the register
    // lines: in User mode the coprocessor reads would trap.
    void systemInfo() override;
    // Writes a test pattern into the frame buffer (SA-11x0) or says there is
    // none (PXA-2x0); gives up when the frame buffer cannot be mapped.
    virtual void testFrameBuffer() = 0;
    // "Hello World" straight into the UART's registers; gives up when they
    // cannot be mapped.
    virtual void testSerialPort() = 0;
    virtual void testSpare() = 0;

  protected:
    struct Variant {
        const uint32_t* regionStarts;  // four RAM regions
        uint32_t regionSize;
        uint32_t dcacheSize;
    };
    // init: the memory manager, the four RAM regions, the data-cache size.
    bool initVariant(const Variant& variant);
    // setupLoader: the image into the last reserved page.
    bool placeLoader(const uint8_t* image, uint32_t size);
    // jumpTo up to the flat jump: the stack page, the cache, kernel mode.
    // Returns the stack pointer for the second-stage loader.
    uint32_t prepareJump();

    uint32_t savedKernelMode = 0;
};
