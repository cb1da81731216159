// Turns an opened kernel file into load links (bytes to copy to a physical
// address) and zero clear links (ranges to clear), laid into a PageChain in
// reserved pages. The format-specific subclasses read the headers and say
// which regions the kernel has; this base splits regions into links, adds
// the optional file-system image and knows, before anything is read, every
// range the second-stage loader will write.
#pragma once

#include <cstdint>

#include "memory/PageChain.h"

class BoxOwner;
class Console;
class Destinations;
class FileManager;
class MemoryManager;
struct Placement;

class Loader {
  public:
    Loader(Console*& console, MemoryManager*& memoryManager);
    virtual ~Loader() = default;
    virtual bool setFile(FileManager*& file);  // attach the open kernel file
    virtual uint32_t memorySize() = 0;         // page storage the load needs
    virtual bool load() = 0;                   // build the chain
    virtual uint32_t jumpAddr() = 0;           // kernel entry address

    // After memorySize: false, with a line naming them, when two of the
    // kernel's regions (segments, symbol block) share an address.
    bool regionsAreDisjoint();
    // After memorySize: every range that load() and an image of
    // `imageBytes` (0: none) will have written, as `placement` puts them,
    // followed by the kernel's first stack. False with a line when a range
    // cannot be placed (past the fold's window, over another range).
    bool destinations(uint32_t imageBytes, const Placement& placement, Destinations& out);

    // Adds the open file, whole, as one more region at the next 4096-byte
    // boundary after the last region. `size` is its content size as measured
    // when the boot began: reading the content once more to size it again
    // would cost a whole decode of a compressed image. True unless a page was
    // missing or the content does not end exactly there (ends early, goes
    // on, or fails its end checks).
    bool loadFileSystemImage(uint32_t size);
    // Ends the chain at the last tag filled and prints the link counts.
    void finishLinks();
    uint32_t listHead() const { return chain_.head(); }
    bool isOk() const { return !failed_; }

    // Set by the Boot object from the settings: the owner of the loader's
    // boxes, and whether the informational ones (safetyMessage) are wanted.
    const BoxOwner* boxOwner = nullptr;
    bool safetyMessage = false;

  protected:
    // Starts a chain in the first tagged page (the tag page, whose other
    // slots serve the zero clear links).
    void initLinks();
    // The region [dst, dst + memSize): fileSize bytes from the file at
    // fileOffset, one page per payload-sized chunk, the rest zero. A missing
    // page (or a file that ends early, with a message) sets the failure.
    void addLoadLink(uint32_t dst, uint32_t memSize, uint32_t fileOffset, uint32_t fileSize);
    // `size` bytes the system holds in its own memory.
    void addLoadLinkFromMemory(uint32_t dst, uint32_t size, const void* source);

    // The regions the next load() writes, in the order it writes them;
    // subclasses record them in memorySize.
    void clearPlan() { plannedCount_ = 0; }
    void planRegion(uint32_t dst, uint32_t size);

    uint32_t payloadSize_ = 0;
    bool failed_ = false;
    Console*& console;
    MemoryManager*& memoryManager;
    FileManager* file = nullptr;
    uint32_t nextFree_ = 0;

  private:
    static constexpr int kMaxPlanned = 24;  // 16 segments, the symbol block's 3 parts, spare
    struct Planned {
        uint32_t dst;
        uint32_t size;
    };

    void recordFileChunk(uint32_t dst, uint32_t fileOffset, uint32_t length);
    void addZeroLink(uint32_t dst, uint32_t size);
    // True when the open file's content ends at `size` bytes.
    bool endsAt(uint32_t size);
    // Where the image goes after the planned regions.
    uint32_t plannedImageAddress() const;

    PageChain chain_;
    Planned planned_[kMaxPlanned] = {};
    int plannedCount_ = 0;
    bool planOverflow_ = false;
};

// The kernel file's format: 1 for ELF, 0 for anything else.
int fileFormat(FileManager* file);
