// Physical addresses by walking the ARM MMU's translation tables: the
// level-1 table found through CP15's translation table base, then a section
// or a coarse level-2 table. Needs kernel mode (System mode) from init until
// destruction. Not chosen by the Boot object; an alternative to LockPages.
#pragma once

#include "memory/MemoryManager.h"

class MemoryManager_ArmMMU : public MemoryManager {
  public:
    // Prints "Use ARM software MMU.\n".
    MemoryManager_ArmMMU(Console*& console, uint32_t pageSize);
    // Fills the page with 0xA5 and walks the tables for it, printing
    // each step; kNotFound on a fault descriptor.
    uint32_t getPhysicalAddress(uint32_t virtualAddress) override;
    // Gives the kernel mode taken by init back.
    ~MemoryManager_ArmMMU() override;
    // Kernel mode, manager access to all domains, the level-1 table.
    // False after "not System mode" when SetKMode does not give System mode.
    bool init() override;

  private:
    uint32_t savedKernelMode = 0;
    bool kernelModeTaken = false;
    uint32_t pageDirectory = 0;
};
