#include "memory/MemoryManager_LockPages.h"

#include "console/Console.h"
#include "platform/Address.h"

namespace {

constexpr int kLockOptions = 1;

}  // namespace

MemoryManager_LockPages::MemoryManager_LockPages(ce::LockPagesProc lockPages,
                                                 ce::UnlockPagesProc unlockPages, Console*& console,
                                                 uint32_t pageSize, uint32_t frameShift)
    : MemoryManager(console, pageSize),
      lockPages(lockPages),
      unlockPages(unlockPages),
      frameShift(frameShift) {
    console->print(TEXT("MemoryManager: LockPages\n"));
}

uint32_t MemoryManager_LockPages::getPhysicalAddress(uint32_t virtualAddress) {
    ce::DWORD frame = kNotFound;
    if (!lockPages || !lockPages(pointerAt<void>(virtualAddress), pageSize, &frame, kLockOptions)) {
        return kNotFound;
    }
    if (!unlockPages || !unlockPages(pointerAt<void>(virtualAddress), pageSize)) {
        console->print(TEXT("can't unlock pages\n"));
    }
    // A frame shift beyond the page shift would be a negative shift count.
    uint32_t down = pageShift > frameShift ? pageShift - frameShift : 0;
    return (frame >> down) << pageShift;
}
