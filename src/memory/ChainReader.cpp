#include "memory/ChainReader.h"

ChainReader::ChainReader(Memory& memory, uint32_t head, Placement placement, uint32_t maxLinks)
    : memory_(memory), placement_(placement), maxLinks_(maxLinks), nextTag_(head) {}

bool ChainReader::next(PageTag& link) {
    if (stop_ != Stop::kNone)
        return false;
    if (nextTag_ == PageTag::kNone) {
        stop_ = Stop::kEnded;
        return false;
    }
    if (links_ >= maxLinks_) {
        stop_ = Stop::kTooLong;
        return false;
    }
    tag_ = nextTag_;
    if (!memory_.readTag(tag_, link)) {
        stop_ = Stop::kUnreadable;
        return false;
    }
    link.dst = placement_.apply(link.dst);
    nextTag_ = link.next;
    ++links_;
    return true;
}
