// Finds a page's frame without help from Windows CE: the page is marked with
// a random tag, and physical RAM (the region table) is searched for the tag
// through 4 MiB VirtualCopy windows.
#pragma once

#include "memory/MemoryManager.h"

class MemoryManager_VirtualCopy : public MemoryManager {
  public:
    static constexpr uint32_t kUntagged = 0xAC1DCAFE;
    static constexpr uint32_t kWindowSize = 0x400000;

    // Prints "MemoryManager: VirtualCopy".
    MemoryManager_VirtualCopy(Console*& console, uint32_t pageSize);

    // Tags the page, searches the regions (first from the window of the
    // previous hit, then from the region starts) and untags the page.
    uint32_t getPhysicalAddress(uint32_t virtualAddress) override;

  private:
    void tagPage(uint32_t virtualAddress);
    uint32_t searchRegions();
    uint32_t searchRegion(const Region& region);
    // The offset of the tagged page in a mapped window, or kNotFound.
    uint32_t findTag(const uint8_t* window) const;
    uint32_t randomTagWord() const;

    uint32_t resumeAddress = 0;
    uint32_t tag[2] = {};
    uint32_t* taggedPage = nullptr;
};
