#include "memory/MemoryManager.h"

#include <cstring>

#include "console/Console.h"
#include "platform/Address.h"
#include "platform/Align.h"
#include "platform/Allocate.h"
#include "platform/ce/CeMemory.h"
#include "platform/ce/CeRegisters.h"

namespace {

constexpr uint32_t kTagBytes = 16;
constexpr uint64_t kAddressLimit = 0x100000000ULL;
constexpr uint32_t k64K = 0x10000;  // the reservation granularity

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
    uint64_t bytes = alignUp(n, payloadSize()) / payloadSize() * pageSize;
    return bytes > kAddressLimit - pageSize ? uint32_t(kAddressLimit - pageSize) : uint32_t(bytes);
}

void MemoryManager::releaseReservation() {
    if (reservedBase_)
        ce::VirtualFree(reservedBase_, 0, ce::MEM_RELEASE);
    reservedBase_ = nullptr;
    for (int i = 0; i < extraBlockCount_; ++i)
        ce::VirtualFree(extraBlocks_[i], 0, ce::MEM_RELEASE);
    extraBlockCount_ = 0;
    pageTable_.reset();
    tableCapacity_ = 0;
    mappedCount_ = 0;
    entryCount_ = 0;
    cursor_ = 0;
    pagesSeen_ = 0;
    setAside_ = 0;
}

bool MemoryManager::growTable(uint32_t entries) {
    if (entries <= tableCapacity_)
        return true;
    std::unique_ptr<PageEntry[]> grown = allocateArray<PageEntry>(entries);
    if (!grown)
        return false;
    if (pageTable_)
        std::memcpy(grown.get(), pageTable_.get(), size_t(tableCapacity_) * sizeof(PageEntry));
    pageTable_ = std::move(grown);
    tableCapacity_ = entries;
    return true;
}

bool MemoryManager::reservePages(uint32_t size, bool perPage) {
    if (size == 0)
        return false;
    releaseReservation();  // a second reservation replaces the first
    uint64_t block = alignUp(size, k64K);
    uint32_t pages = uint32_t(alignUp(size, pageSize) / pageSize);
    if (!growTable(pages)) {
        console->print(TEXT("can't allocate memory for translation table.\n"));
        return false;
    }
    console->print(TEXT("address translation table %d pages. (0x%x bytes)\n"), pages,
                   pages * uint32_t(sizeof(PageEntry)));
    reservedBase_ = reserveBlock(block, perPage);
    if (!reservedBase_) {
        console->print(TEXT("can't allocate memory\n"));
        return false;
    }
    uint32_t found = 0;
    bool complete = fillTable(reservedBase_, pages, perPage, found);
    console->print(TEXT("allocated %d page. mapped %d page.\n"), pages, found);
    if (!complete || avoid_.count() == 0)
        return true;
    return reserveOutsideDestinations(pages, perPage);
}

bool MemoryManager::reserveOutsideDestinations(uint32_t needed, bool perPage) {
    if (setAside_ != 0) {
        console->print(TEXT("%d reserved pages lie inside the kernel's destination; set aside.\n"),
                       setAside_);
    }
    bool complete = true;
    uint64_t chunk = 0;
    while (complete && uint32_t(mappedCount_) < needed && extraBlockCount_ < kMaxExtraBlocks) {
        uint64_t missing = uint64_t(needed - uint32_t(mappedCount_)) * pageSize;
        uint64_t bytes = alignUp(missing, k64K);
        // After a refusal, smaller blocks may still be had.
        if (chunk != 0 && bytes > chunk)
            bytes = chunk;
        uint32_t pages = uint32_t(bytes / pageSize);
        uint8_t* block =
            growTable(uint32_t(mappedCount_) + pages) ? reserveBlock(bytes, perPage) : nullptr;
        if (!block) {
            if (bytes <= 0x10000)
                break;
            chunk = bytes / 2;
            continue;
        }
        extraBlocks_[extraBlockCount_++] = block;
        uint32_t before = uint32_t(mappedCount_), found = 0;
        complete = fillTable(block, pages, perPage, found);
        console->print(TEXT("reserved %d more pages, %d outside the kernel's destination.\n"),
                       pages, uint32_t(mappedCount_) - before);
    }
    if (!complete || uint32_t(mappedCount_) >= needed)
        return true;  // a page without an address is the boot's "page insufficient." later
    console->print(TEXT("need %d pages outside the kernel's destination, found %d.\n"), needed,
                   mappedCount_);
    // Everything goes back: a boot that cannot be made leaves Windows CE its RAM.
    releaseReservation();
    return false;
}

uint8_t* MemoryManager::reserveBlock(uint64_t bytes, bool perPage) {
    if (bytes >= kAddressLimit)
        return nullptr;
    void* block =
        perPage ? ce::VirtualAlloc(nullptr, uint32_t(bytes), ce::MEM_RESERVE, ce::PAGE_NOACCESS)
                : ce::VirtualAlloc(nullptr, uint32_t(bytes), ce::MEM_COMMIT,
                                   ce::PAGE_READWRITE | ce::PAGE_NOCACHE);
    return static_cast<uint8_t*>(block);
}

bool MemoryManager::fillTable(uint8_t* block, uint32_t pages, bool perPage, uint32_t& found) {
    for (uint32_t i = 0; i < pages; ++i, ++pagesSeen_) {
        uint32_t v = addressOf(block) + i * pageSize;
        if (perPage) {
            ce::VirtualAlloc(pointerAt(v), pageSize, ce::MEM_COMMIT,
                             ce::PAGE_READWRITE | ce::PAGE_NOCACHE);
        }
        uint32_t physical = getPhysicalAddress(v);
        if (physical == kNotFound) {
            console->print(TEXT("page#%d not found\n"), pagesSeen_);
            return false;
        }
        ++found;
        if (avoid_.coversPage(physical, pageSize)) {
            ++setAside_;
            continue;
        }
        pageTable_[mappedCount_++] = PageEntry{v, physical};
        entryCount_ = mappedCount_;
    }
    return true;
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
    std::memset(pointerAt(v), 0, kTagBytes);
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
    uint64_t end = alignUp(uint64_t(physical) + size, pageSize);
    void* window = nullptr;
    bool mapped = false;
    // A range that runs past the top of the address space cannot be mapped.
    if (end <= kAddressLimit && end > base) {
        uint32_t bytes = uint32_t(end - base);
        window = ce::VirtualAlloc(nullptr, bytes, ce::MEM_RESERVE, ce::PAGE_NOACCESS);
        mapped = window && ce::VirtualCopy(window, pointerAt(base >> 8), bytes,
                                           protection | ce::PAGE_NOCACHE | ce::PAGE_PHYSICAL);
    }
    if (!mapped) {
        // The reservation is given back rather than left behind.
        if (window)
            ce::VirtualFree(window, 0, ce::MEM_RELEASE);
        console->print(TEXT("can't map physical address 0x%08x\n"), physical);
        return kNotFound;
    }
    return addressOf(window) + (physical - base);
}

void MemoryManager::unmapPhysical(uint32_t virtualAddress) {
    if (!ce::VirtualFree(pointerAt(alignDownPage(virtualAddress)), 0, ce::MEM_RELEASE)) {
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
