// The ARM branch of Architecture: the CP15 register dump after the system
// probe, and everything the two processor families do alike, driven by
// their row of differences: RAM banks and caches, placing the second-stage
// loader, the jump and the UART diagnostic.
#pragma once

#include <cstdint>

#include "arch/Architecture.h"
#include "arch/arm/ArmVariant.h"

class ARMArchitecture : public Architecture {
  public:
    // Prints "ARM architecture.\n", then the variant's greeting.
    ARMArchitecture(Console*& console, MemoryManager*& memoryManager, const ArmVariant& variant);
    ~ARMArchitecture() override;
    // The memory manager, the four RAM regions, the data-cache size.
    bool init() override;
    // The base probe, then CP15 registers 0-3, 5, 6, 13, 14 and CPSR, read in
    // System mode with interrupts masked. When SetKMode does not give System
    // mode it prints "can't change to System mode" and skips the register
    // lines: in User mode the coprocessor reads would trap.
    void systemInfo() override;
    // The variant's second-stage loader into the last reserved page.
    bool setupLoader() override;
    // The stack page, the cache, kernel mode, then the variant's flat jump.
    // Returns only if the jump did not happen.
    void jumpTo(uint32_t bootArgs, uint32_t chainHead) override;
    // Writes a test pattern into the frame buffer (SA-11x0) or says there is
    // none (PXA-2x0); gives up when the frame buffer cannot be mapped.
    virtual void testFrameBuffer() = 0;
    // "Hello World" straight into the UART's registers; gives up when they
    // cannot be mapped.
    virtual void testSerialPort();
    virtual void testSpare() {}

    const ArmVariant& variant() const { return variant_; }

  protected:
    uint32_t savedKernelMode = 0;

  private:
    // Up to the flat jump; returns the second-stage loader's stack pointer.
    uint32_t prepareJump();

    const ArmVariant& variant_;
};
