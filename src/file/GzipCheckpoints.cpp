#include "file/GzipCheckpoints.h"

#include <cstring>
#include <new>

void GzipCheckpoints::reset(uint32_t storedBytes) {
    for (uint32_t i = 0; i < count; ++i)
        points[i] = GzipCheckpoint{};
    count = 0;
    spacing = kLeastSpacing;
    uint32_t wanted = storedBytes / kMaxCount;
    if (wanted > spacing)
        spacing = wanted;
}

bool GzipCheckpoints::due(uint32_t position) const {
    uint32_t previous = count ? points[count - 1].position : 0;
    if (position < previous || position - previous < spacing)
        return false;
    uint64_t held = uint64_t(memoryBytes()) + kCostBytes;
    return held * kShareOfContent <= position;
}

bool GzipCheckpoints::add(GzipCheckpoint point, const uint8_t* window, uint32_t windowEnd) {
    if (count == kMaxCount)
        thin();
    uint32_t n = point.windowBytes;
    point.window.reset(new (std::nothrow) uint8_t[n ? n : 1]);
    if (!point.window)
        return false;
    // The window is circular: its oldest bytes may lie at its end.
    uint32_t first = windowEnd >= n ? windowEnd - n : windowEnd + kWindowBytes - n;
    uint32_t head = first + n <= kWindowBytes ? n : kWindowBytes - first;
    std::memcpy(point.window.get(), window + first, head);
    std::memcpy(point.window.get() + head, window, n - head);
    points[count++] = std::move(point);
    return true;
}

const GzipCheckpoint* GzipCheckpoints::before(uint32_t position) const {
    // Few enough to walk; positions only grow along the list.
    const GzipCheckpoint* found = nullptr;
    for (uint32_t i = 0; i < count && points[i].position <= position; ++i)
        found = &points[i];
    return found;
}

uint32_t GzipCheckpoints::memoryBytes() const {
    uint32_t bytes = 0;
    for (uint32_t i = 0; i < count; ++i)
        bytes += points[i].windowBytes + uint32_t(sizeof(GzipCheckpoint));
    return bytes;
}

void GzipCheckpoints::thin() {
    uint32_t kept = 0;
    for (uint32_t i = 1; i < count; i += 2)
        points[kept++] = std::move(points[i]);
    for (uint32_t i = kept; i < count; ++i)
        points[i] = GzipCheckpoint{};
    count = kept;
    spacing = spacing > 0x7FFFFFFF ? 0xFFFFFFFF : spacing * 2;
}
