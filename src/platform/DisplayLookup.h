// The display parameters of a platform: its row of the display table, or the
// screen's own size and depth when the table has no row for it.
#pragma once

#include <cstdint>

#include "platform/PlatformTable.h"

class DisplayLookup {
  public:
    // Reads the screen's depth (and, without a row, its size) from the
    // screen's device context.
    DisplayLookup(uint32_t cpu, uint32_t machine);
    virtual ~DisplayLookup() = default;
    DisplayLookup(const DisplayLookup&) = delete;
    DisplayLookup& operator=(const DisplayLookup&) = delete;

    uint32_t depth() const { return chosen_->depth; }
    uint32_t width() const { return chosen_->width; }
    uint32_t height() const { return chosen_->height; }
    uint32_t lineBytes() const { return chosen_->lineBytes; }
    uint32_t framebuffer() const { return chosen_->framebuffer; }

  private:
    DisplayInfo own_;
    const DisplayInfo* chosen_;
};

// The framebuffer type code for the chosen depth and the reverse-video flag.
int16_t framebufferType(const DisplayLookup& lookup, bool reverseVideo);
