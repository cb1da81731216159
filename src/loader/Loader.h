// Turns an opened kernel file into a chain of PageTag links in reserved
// pages: load links (bytes to copy to a physical address) and zero clear
// links (ranges to clear). The format-specific subclasses read the headers.
#pragma once

#include <cstdint>

class Console;
class FileManager;
class MemoryManager;
struct PageTag;

class Loader {
  public:
    Loader(Console*& console, MemoryManager*& memoryManager);
    virtual ~Loader() = default;               // slot 0
    virtual bool setFile(FileManager*& file);  // slot 1: attach the open kernel file
    virtual uint32_t memorySize() = 0;         // slot 2: page storage the load needs
    virtual bool load() = 0;                   // slot 3: build the chain
    virtual uint32_t jumpAddr() = 0;           // slot 4: kernel entry address

    // Adds the open file, whole, as one more region at the next 4096-byte
    // boundary after the last region; true unless a page was missing or the
    // file ended early.
    bool loadFileSystemImage();
    // Ends the chain at the last tag filled and prints the link counts.
    void finishLinks();
    uint32_t listHead() const { return listHead_; }
    bool isOk() const { return !failed_; }

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

    PageTag* current_ = nullptr;
    PageTag* previous_ = nullptr;
    PageTag* spareTag_ = nullptr;
    uint32_t spareTagPhys_ = 0;
    int32_t loadLinkCount_ = 0;
    int32_t zeroLinkCount_ = 0;
    uint32_t payloadSize_ = 0;
    bool failed_ = false;
    Console*& console;
    MemoryManager*& memoryManager;
    FileManager* file = nullptr;
    uint32_t listHead_ = 0;
    uint32_t nextFree_ = 0;
    PageTag* spareTagEnd_ = nullptr;  // the end of the tag page

  private:
    void recordFileChunk(uint32_t dst, uint32_t fileOffset, uint32_t length);
    void addZeroLink(uint32_t dst, uint32_t size);
    // A fresh tagged page for data; false (and failed) when none is left.
    bool takeDataPage(PageTag*& tag, uint32_t& tagPhysical, uint8_t*& data, uint32_t& dataPhysical);
    // Fills the tag at current_ for data in the page of `tag`, which
    // becomes current_.
    void linkData(PageTag* tag, uint32_t tagPhysical, uint32_t dataPhysical, uint32_t dst,
                  uint32_t size);
};

// The kernel file's format: 1 for ELF, 0 for anything else.
int fileFormat(FileManager* file);
