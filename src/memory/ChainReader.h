// Follows a PageTag chain link by link the way the second-stage loader
// does: a tag is read only when the walk reaches it (so a walker that
// writes between reads sees what the device would see), and every
// destination is placed as the loader places it. The pre-jump check reads
// the chain through the reserved pages; the host's walk reads it through
// physical memory. Header only: both halves share it without a link-time
// dependency.
#pragma once

#include <cstdint>

#include "memory/PageTag.h"
#include "memory/Placement.h"

class ChainReader {
  public:
    // Where the tags are read from.
    class Memory {
      public:
        // The 16-byte tag at a physical address; false when it cannot be read.
        virtual bool readTag(uint32_t physical, PageTag& tag) = 0;

      protected:
        ~Memory() = default;
    };

    enum class Stop {
        kNone,        // still going
        kEnded,       // a tag with next = 0xFFFFFFFF was the last
        kUnreadable,  // a tag could not be read
        kTooLong,     // more links than the chain can hold: it loops
    };

    ChainReader(Memory& memory, uint32_t head, Placement placement, uint32_t maxLinks)
        : memory_(memory), placement_(placement), maxLinks_(maxLinks), nextTag_(head) {}

    // The next link, with dst as placed; false once the walk stops.
    bool next(PageTag& link) {
        if (stop_ != Stop::kNone)
            return false;
        if (nextTag_ == PageTag::kEndOfChain)
            return stopWith(Stop::kEnded);
        if (links_ >= maxLinks_)
            return stopWith(Stop::kTooLong);
        tag_ = nextTag_;
        if (!memory_.readTag(tag_, link))
            return stopWith(Stop::kUnreadable);
        link.dst = placement_.apply(link.dst);
        nextTag_ = link.next;
        ++links_;
        return true;
    }
    Stop stop() const { return stop_; }
    // Links read so far, and the physical address of the last tag asked for.
    uint32_t links() const { return links_; }
    uint32_t tagAddress() const { return tag_; }

  private:
    bool stopWith(Stop stop) {
        stop_ = stop;
        return false;
    }

    Memory& memory_;
    Placement placement_;
    uint32_t maxLinks_;
    uint32_t nextTag_;
    uint32_t tag_ = PageTag::kEndOfChain;
    uint32_t links_ = 0;
    Stop stop_ = Stop::kNone;
};
