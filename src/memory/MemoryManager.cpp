#include "memory/MemoryManager.h"

#include <cstdlib>
#include <cstring>

#include "console/Console.h"
#include "platform/ce/CeMemory.h"
#include "platform/ce/CeRegisters.h"

namespace {

constexpr uint32_t kTagBytes = 16;
constexpr uint64_t kAddressLimit = 0x100000000ULL;

uint8_t* pointer(uint32_t address) {
    return reinterpret_cast<uint8_t*>(uintptr_t(address));
}

uint32_t address(const void* p) {
    return uint32_t(reinterpret_cast<uintptr_t>(p));
}

uint32_t lowZeroBits(uint32_t value) {
    uint32_t shift = 0;
    while (value != 0 && (value & 1) == 0) {
        value >>= 1;
        ++shift;
    }
    return shift;
}

}  // namespace

MemoryManager::MemoryManager(Console*& console, uint32_t pageSize)
    : console(console),
      pageSize(pageSize),
      pageShift(lowZeroBits(pageSize)),
      regions_{},
      regionCount_(0),
      reservedBase_(nullptr),
      mappedCount_(0),
      pageTable_(nullptr),
      cursor_(0) {}

MemoryManager::~MemoryManager() {
    releaseReservation();
}

void MemoryManager::addRegion(uint32_t start, uint32_t size) {
    // The architectures add at most four banks; more would not fit the table.
    if (regionCount_ >= kMaxRegions)
        return;
    regions_[regionCount_] = Region{start, size};
    console->print(TEXT("[%d] 0x%08x size 0x%08x\n"), regionCount_, start, size);
    ++regionCount_;
}

uint32_t MemoryManager::storageSize(uint32_t n) const {
    // Beyond 4 GiB the answer stays at the largest page multiple, which no
    // reservation can satisfy, instead of wrapping to a small size.
    uint64_t bytes = (uint64_t(n) + payloadSize() - 1) / payloadSize() * pageSize;
    return bytes > kAddressLimit - pageSize ? uint32_t(kAddressLimit - pageSize) : uint32_t(bytes);
}

void MemoryManager::releaseReservation() {
    if (reservedBase_)
        ce::VirtualFree(reservedBase_, 0, ce::MEM_RELEASE);
    reservedBase_ = nullptr;
    std::free(pageTable_);
    pageTable_ = nullptr;
    mappedCount_ = 0;
    cursor_ = 0;
}

bool MemoryManager::reservePages(uint32_t size, bool perPage) {
    if (size == 0)
        return false;
    releaseReservation();  // a second reservation replaces the first
    uint64_t block = (uint64_t(size) + 0xFFFF) / 0x10000 * 0x10000;
    uint32_t pages = uint32_t((uint64_t(size) + pageSize - 1) / pageSize);
    pageTable_ = static_cast<PageEntry*>(std::malloc(size_t(pages) * sizeof(PageEntry)));
    if (!pageTable_) {
        console->print(TEXT("can't allocate memory for translation table.\n"));
        return false;
    }
    console->print(TEXT("address translation table %d pages. (0x%x bytes)\n"), pages,
                   pages * uint32_t(sizeof(PageEntry)));
    if (!reserveBlock(block, perPage)) {
        console->print(TEXT("can't allocate memory\n"));
        return false;
    }
    fillTable(pages, perPage);
    console->print(TEXT("allocated %d page. mapped %d page.\n"), pages, mappedCount_);
    return true;
}

bool MemoryManager::reserveBlock(uint64_t bytes, bool perPage) {
    if (bytes >= kAddressLimit)
        return false;
    void* block =
        perPage ? ce::VirtualAlloc(nullptr, uint32_t(bytes), ce::MEM_RESERVE, ce::PAGE_NOACCESS)
                : ce::VirtualAlloc(nullptr, uint32_t(bytes), ce::MEM_COMMIT,
                                   ce::PAGE_READWRITE | ce::PAGE_NOCACHE);
    reservedBase_ = static_cast<uint8_t*>(block);
    return block != nullptr;
}

void MemoryManager::fillTable(uint32_t pages, bool perPage) {
    mappedCount_ = 0;
    for (uint32_t i = 0; i < pages; ++i) {
        uint32_t v = address(reservedBase_) + i * pageSize;
        if (perPage) {
            ce::VirtualAlloc(pointer(v), pageSize, ce::MEM_COMMIT,
                             ce::PAGE_READWRITE | ce::PAGE_NOCACHE);
        }
        uint32_t physical = getPhysicalAddress(v);
        if (physical == kNotFound) {
            console->print(TEXT("page#%d not found\n"), i);
            break;
        }
        pageTable_[mappedCount_++] = PageEntry{v, physical};
    }
}

bool MemoryManager::nextPage(uint32_t& virtualAddress, uint32_t& physicalAddress) {
    if (cursor_ >= mappedCount_ || !pageTable_) {
        console->print(TEXT("page insufficient.\n"));
        return false;
    }
    virtualAddress = pageTable_[cursor_].virtualAddress;
    physicalAddress = pageTable_[cursor_].physicalAddress;
    ++cursor_;
    return true;
}

bool MemoryManager::nextTaggedPage(uint32_t& dataVirtual, uint32_t& dataPhysical,
                                   uint32_t& tagVirtual, uint32_t& tagPhysical) {
    uint32_t v = 0, p = 0;
    if (!nextPage(v, p))
        return false;
    std::memset(pointer(v), 0, kTagBytes);
    tagVirtual = v;
    tagPhysical = p;
    dataVirtual = v + kTagBytes;
    dataPhysical = p + kTagBytes;
    return true;
}

bool MemoryManager::takeLastPage(uint32_t& virtualAddress, uint32_t& physicalAddress) {
    if (cursor_ >= mappedCount_ || !pageTable_)
        return false;
    --mappedCount_;
    virtualAddress = pageTable_[mappedCount_].virtualAddress;
    physicalAddress = pageTable_[mappedCount_].physicalAddress;
    return true;
}

uint32_t MemoryManager::mapPhysical(uint32_t physical, uint32_t size, uint32_t protection) {
    uint32_t base = alignDownPage(physical);
    uint64_t end = (uint64_t(physical) + size + pageSize - 1) / pageSize * pageSize;
    void* window = nullptr;
    bool mapped = false;
    // A range that runs past the top of the address space cannot be mapped.
    if (end <= kAddressLimit && end > base) {
        uint32_t bytes = uint32_t(end - base);
        window = ce::VirtualAlloc(nullptr, bytes, ce::MEM_RESERVE, ce::PAGE_NOACCESS);
        mapped = window && ce::VirtualCopy(window, pointer(base >> 8), bytes,
                                           protection | ce::PAGE_NOCACHE | ce::PAGE_PHYSICAL);
    }
    if (!mapped) {
        // The reservation is given back rather than left behind.
        if (window)
            ce::VirtualFree(window, 0, ce::MEM_RELEASE);
        console->print(TEXT("can't map physical address 0x%08x\n"), physical);
        return kNotFound;
    }
    return address(window) + (physical - base);
}

void MemoryManager::unmapPhysical(uint32_t virtualAddress) {
    if (!ce::VirtualFree(pointer(alignDownPage(virtualAddress)), 0, ce::MEM_RELEASE)) {
        console->print(TEXT("can't release memory\n"));
    }
}

uint32_t MemoryManager::readPhysicalWord(uint32_t physical) {
    uint32_t v = mapPhysical(physical, 4, ce::PAGE_READONLY);
    // A failed mapping has been reported; the answer is then all ones, which
    // the table walks read as a fault descriptor.
    if (v == kNotFound)
        return kUnreadableWord;
    uint32_t word = 0;
    // Through the register accessor: the word may be a device register.
    word = ce::read32(v);
    unmapPhysical(v);
    return word;
}
