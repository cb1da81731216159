// Builds the chain of PageTag links in pages of a MemoryManager. The first
// page taken is the tag page: its first slot is the chain's first tag and
// its other slots serve the zero clear links, which carry no data. Every
// load link takes a fresh tagged page whose data area holds the bytes; the
// tag in one page describes the data of the page that follows it.
#pragma once

#include <cstdint>

#include "memory/PageTag.h"

class MemoryManager;

class PageChain {
  public:
    explicit PageChain(MemoryManager*& memoryManager) : memoryManager(memoryManager) {}

    // Starts a new chain in a fresh tag page; false when no page is left.
    bool start();
    // Links `size` bytes (at most the page payload) to `dst` and returns the
    // data area that is to hold them; null when no page is left.
    uint8_t* appendLoad(uint32_t dst, uint32_t size);
    // Links a zero fill of [dst, dst + size) in a spare slot of the tag page;
    // false when the chain was not started or the slots are used up.
    bool appendZero(uint32_t dst, uint32_t size);
    // Ends the chain at the last tag filled; the empty tag after it is cut
    // off. Nothing to end when no link was written.
    void finish();

    bool started() const { return current_ != nullptr; }
    uint32_t head() const { return head_; }
    int32_t loadLinks() const { return loadLinkCount_; }
    int32_t zeroLinks() const { return zeroLinkCount_; }
    // True once a link was written.
    bool hasLinks() const { return previous_ != nullptr; }

  private:
    // The tag at current_ gets the link; current_ moves to `following`.
    void link(const PageTag& tag, PageTag* following);

    MemoryManager*& memoryManager;
    PageTag* current_ = nullptr;   // the empty tag the next link fills
    PageTag* previous_ = nullptr;  // the last tag filled
    PageTag* spareTag_ = nullptr;  // the next unused slot of the tag page
    uint32_t spareTagPhys_ = 0;
    PageTag* spareTagEnd_ = nullptr;
    uint32_t head_ = 0;
    int32_t loadLinkCount_ = 0;
    int32_t zeroLinkCount_ = 0;
};
