// Reserves RAM from Windows CE, learns the physical address of every page and
// hands the pages out: from the front for the kernel's data and links, from
// the back for the loader, boot-argument and stack pages. How a physical
// address is found is the subclass's business.
#pragma once

#include <cstdint>
#include <memory>

#include "memory/Destinations.h"
#include "platform/Align.h"
#include "platform/NotFound.h"
#include "platform/ce/CeTypes.h"

class Console;

class MemoryManager {
  public:
    // What readPhysicalWord answers when the word cannot be mapped.
    static constexpr uint32_t kUnreadableWord = 0xFFFFFFFF;
    static constexpr int kMaxRegions = 16;

    struct Region {
        uint32_t start;
        uint32_t size;
    };
    // One reserved page: its virtual address in this process and its frame.
    struct PageEntry {
        uint32_t virtualAddress;
        uint32_t physicalAddress;
    };

    MemoryManager(Console*& console, uint32_t pageSize);

    // The physical address of a committed page, or kNotFound.
    virtual uint32_t getPhysicalAddress(uint32_t virtualAddress) = 0;
    // Releases the reserved block.
    virtual ~MemoryManager();
    // Prepares the discovery method.
    virtual bool init() { return true; }

    // Appends a RAM bank and prints "[i] start size"; ignored once the table
    // holds kMaxRegions banks.
    void addRegion(uint32_t start, uint32_t size);
    // Reserves `size` bytes (rounded to 64 KiB) and fills the translation
    // table; false with a message when the table or the block cannot be had.
    // With destinations to avoid, pages inside them are set aside (kept
    // reserved, never handed out) and more blocks are reserved until the
    // table holds size / page size pages outside them; when the RAM cannot
    // give that many, everything is released again and the answer is false
    // after a line with the pages needed and found.
    bool reservePages(uint32_t size, bool perPage);
    // The ranges the next reservation keeps its pages out of.
    void avoid(const Destinations& destinations) { avoid_ = destinations; }
    // The page at the front; false with "page insufficient." when none is left.
    bool nextPage(uint32_t& virtualAddress, uint32_t& physicalAddress);
    // nextPage with the tag slot zeroed; data = page + 16.
    bool nextTaggedPage(uint32_t& dataVirtual, uint32_t& dataPhysical, uint32_t& tagVirtual,
                        uint32_t& tagPhysical);
    // The page at the back; false without a message when none is left.
    bool takeLastPage(uint32_t& virtualAddress, uint32_t& physicalAddress);
    // Maps a physical range; returns the virtual address of `physical`, or
    // kNotFound after "can't map physical address" (nothing stays reserved).
    uint32_t mapPhysical(uint32_t physical, uint32_t size, uint32_t protection);
    // Releases a mapping of mapPhysical; "can't release memory" on failure.
    void unmapPhysical(uint32_t virtualAddress);
    // The 32-bit word at a physical address; kUnreadableWord after the
    // mapping message when it cannot be mapped.
    uint32_t readPhysicalWord(uint32_t physical);

    uint32_t getPageSize() const { return pageSize; }
    uint32_t payloadSize() const { return pageSize - 16; }
    // Page storage for n payload bytes: ceil(n / payload) pages.
    uint32_t storageSize(uint32_t n) const;

    // 0 when the multiple would lie past 32 bits: callers bound x first.
    static uint32_t roundUp(uint32_t x, uint32_t unit) {
        uint32_t rounded = 0;
        return alignUp(x, unit, rounded) ? rounded : 0;
    }
    static uint32_t alignDown(uint32_t x, uint32_t unit) { return uint32_t(::alignDown(x, unit)); }
    uint32_t roundUpPage(uint32_t x) const { return roundUp(x, pageSize); }
    uint32_t alignDownPage(uint32_t x) const { return alignDown(x, pageSize); }
    static uint32_t roundUp64K(uint32_t x) { return roundUp(x, 0x10000); }

    int regionCount() const { return regionCount_; }
    const Region* regions() const { return regions_; }
    int mappedCount() const { return mappedCount_; }
    // Entries of the table, with the pages already taken from the back.
    int entryCount() const { return entryCount_; }
    const PageEntry* pageTable() const { return pageTable_.get(); }

  protected:
    Console*& console;

  public:
    uint32_t debug = 0;  // set by the Boot object; not consulted

  protected:
    uint32_t pageSize;
    uint32_t pageShift;

  private:
    static constexpr int kMaxExtraBlocks = 64;

    void releaseReservation();
    uint8_t* reserveBlock(uint64_t bytes, bool perPage);
    // Enters the block's pages outside the destinations into the table;
    // false after "page#%d not found" when a page has no physical address.
    bool fillTable(uint8_t* block, uint32_t pages, bool perPage, uint32_t& found);
    // More blocks until `needed` pages lie outside the destinations.
    bool reserveOutsideDestinations(uint32_t needed, bool perPage);
    // Room for `entries` pages, the entries so far kept; false when no
    // memory is left (the table stays as it was).
    bool growTable(uint32_t entries);

    Region regions_[kMaxRegions];
    int regionCount_;
    uint8_t* reservedBase_;
    int mappedCount_;
    std::unique_ptr<PageEntry[]> pageTable_;
    int cursor_;
    Destinations avoid_;
    uint8_t* extraBlocks_[kMaxExtraBlocks] = {};
    int extraBlockCount_ = 0;
    uint32_t tableCapacity_ = 0;
    uint32_t pagesSeen_ = 0;  // pages of all blocks looked up so far
    uint32_t setAside_ = 0;
    int entryCount_ = 0;
};
