#include "platform/DisplayLookup.h"

#include "platform/ce/CeWindow.h"

DisplayLookup::DisplayLookup(uint32_t cpu, uint32_t machine) : own_{}, chosen_(nullptr) {
    ce::HDC dc = ce::GetDC(nullptr);
    uint32_t depth = uint32_t(ce::GetDeviceCaps(dc, ce::BITSPIXEL));
    const DisplayInfo* remembered = nullptr;
    PlatformId probe{cpu, machine};
    for (const DisplayInfo* row = displayTable(); row->cpu != 0; ++row) {
        if (platformMatch(probe, PlatformId{row->cpu, row->machine}) == 0)
            continue;
        if (row->depth == depth) {
            chosen_ = row;
            break;
        }
        remembered = row;
    }
    if (!chosen_)
        chosen_ = remembered;
    if (!chosen_) {
        own_ = DisplayInfo{cpu,
                           machine,
                           depth,
                           uint32_t(ce::GetDeviceCaps(dc, ce::HORZRES)),
                           uint32_t(ce::GetDeviceCaps(dc, ce::VERTRES)),
                           0,
                           0};
        chosen_ = &own_;
    }
    ce::ReleaseDC(nullptr, dc);
}

int16_t framebufferType(const DisplayLookup& lookup, bool reverseVideo) {
    switch (lookup.depth()) {
        case 4:
            return reverseVideo ? 8 : 10;
        case 8:
            return reverseVideo ? 4 : 3;
        case 16:
            return reverseVideo ? 6 : 5;
        default:
            return reverseVideo ? 0 : 2;
    }
}
