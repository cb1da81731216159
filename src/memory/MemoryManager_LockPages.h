// Finds a page's frame by asking Windows CE: LockPages answers the frame of
// a committed page, which is unlocked again right after the question.
#pragma once

#include "memory/MemoryManager.h"
#include "platform/ce/CeMemory.h"

class MemoryManager_LockPages : public MemoryManager {
  public:
    // Prints "MemoryManager: LockPages". `frameShift`: how far the frame
    // values LockPages answers are shifted against physical addresses.
    MemoryManager_LockPages(ce::LockPagesProc lockPages, ce::UnlockPagesProc unlockPages,
                            Console*& console, uint32_t pageSize, uint32_t frameShift);

    // The frame of the page at `virtualAddress`, or kNotFound when LockPages
    // refuses; a failing UnlockPages is reported and ignored.
    uint32_t getPhysicalAddress(uint32_t virtualAddress) override;

  private:
    ce::LockPagesProc lockPages;
    ce::UnlockPagesProc unlockPages;
    uint32_t frameShift;
};
