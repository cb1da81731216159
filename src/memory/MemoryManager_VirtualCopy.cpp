#include "memory/MemoryManager_VirtualCopy.h"

#include <cstring>

#include "console/Console.h"
#include "platform/Address.h"
#include "platform/ce/CeMemory.h"
#include "platform/ce/CeSystem.h"

MemoryManager_VirtualCopy::MemoryManager_VirtualCopy(Console*& console, uint32_t pageSize)
    : MemoryManager(console, pageSize) {
    console->print(TEXT("MemoryManager: VirtualCopy\n"));
}

uint32_t MemoryManager_VirtualCopy::randomTagWord() const {
    uint32_t word = ce::Random();
    while (word == kUntagged)
        word = ce::Random();
    return word;
}

void MemoryManager_VirtualCopy::tagPage(uint32_t virtualAddress) {
    tag[0] = randomTagWord();
    tag[1] = randomTagWord();
    taggedPage = pointerAt<uint32_t>(virtualAddress);
    taggedPage[0] = tag[0];
    taggedPage[1] = tag[1];
}

uint32_t MemoryManager_VirtualCopy::getPhysicalAddress(uint32_t virtualAddress) {
    tagPage(virtualAddress);
    uint32_t result = searchRegions();
    if (result == kNotFound && resumeAddress != 0) {
        resumeAddress = 0;
        result = searchRegions();
    }
    taggedPage[0] = kUntagged;
    taggedPage[1] = kUntagged;
    return result;
}

uint32_t MemoryManager_VirtualCopy::searchRegions() {
    for (int i = 0; i < regionCount(); ++i) {
        uint32_t result = searchRegion(regions()[i]);
        if (result != kNotFound)
            return result;
    }
    return kNotFound;
}

uint32_t MemoryManager_VirtualCopy::findTag(const uint8_t* window) const {
    for (uint32_t offset = 0; offset < kWindowSize; offset += pageSize) {
        uint32_t words[2];
        std::memcpy(words, window + offset, sizeof(words));
        if (words[0] == tag[0] && words[1] == tag[1])
            return offset;
    }
    return kNotFound;
}

uint32_t MemoryManager_VirtualCopy::searchRegion(const Region& region) {
    uint64_t end = uint64_t(region.start) + region.size;
    uint32_t from = resumeAddress != 0 ? resumeAddress : region.start;
    if (from < region.start || from >= end)
        return kNotFound;
    void* window = ce::VirtualAlloc(nullptr, kWindowSize, ce::MEM_RESERVE, ce::PAGE_NOACCESS);
    if (!window) {
        console->print(TEXT("can't allocate virtual memory.\n"));
        return kNotFound;
    }
    uint32_t result = kNotFound;
    for (uint64_t a = from; a < end; a += kWindowSize) {
        if (!ce::VirtualCopy(window, pointerAt(uint32_t(a) >> 8), kWindowSize,
                             ce::PAGE_READONLY | ce::PAGE_NOCACHE | ce::PAGE_PHYSICAL)) {
            console->print(TEXT("can't map physical addr 0x%08x(->0x%08x)\n"), addressOf(window),
                           uint32_t(a));
            break;
        }
        uint32_t offset = findTag(static_cast<const uint8_t*>(window));
        if (!ce::VirtualFree(window, kWindowSize, ce::MEM_DECOMMIT)) {
            console->print(TEXT("can't decommit addr 0x%08x(->0x%08x)\n"), addressOf(window),
                           uint32_t(a));
            break;
        }
        if (offset != kNotFound) {
            result = uint32_t(a) + offset;
            resumeAddress = uint32_t(a);
            break;
        }
    }
    if (!ce::VirtualFree(window, 0, ce::MEM_RELEASE)) {
        console->print(TEXT("can't release memory\n"));
    }
    return result;
}
