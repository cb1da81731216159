#include "file/gzip/GzipCheckpoints.h"

#include <cstring>

#include "platform/Allocate.h"

void GzipCheckpoints::reset(uint32_t storedBytes) {
    for (uint32_t i = 0; i < count; ++i)
        points[i] = GzipCheckpoint{};
    count = 0;
    latest = GzipCheckpoint{};
    latestValid = false;
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

void GzipCheckpoints::copyWindow(uint8_t* to, const uint8_t* window, uint32_t windowEnd,
                                 uint32_t n) {
    // The window is circular: its oldest bytes may lie at its end.
    uint32_t first = windowEnd >= n ? windowEnd - n : windowEnd + kWindowBytes - n;
    uint32_t head = first + n <= kWindowBytes ? n : kWindowBytes - first;
    std::memcpy(to, window + first, head);
    std::memcpy(to + head, window, n - head);
}

bool GzipCheckpoints::add(GzipCheckpoint point, const uint8_t* window, uint32_t windowEnd) {
    if (count == kMaxCount)
        thin();
    uint32_t n = point.windowBytes;
    point.window = allocateArray<uint8_t>(n ? n : 1);
    if (!point.window)
        return false;
    copyWindow(point.window.get(), window, windowEnd, n);
    points[count++] = std::move(point);
    if (latestValid && latest.position <= points[count - 1].position)
        latestValid = false;  // passed: the list has a later one
    return true;
}

void GzipCheckpoints::keepLatest(GzipCheckpoint point, const uint8_t* window, uint32_t windowEnd) {
    const GzipCheckpoint* farthest = last();
    if (farthest && point.position <= farthest->position)
        return;
    if (!latest.window) {
        // Its window is the one buffer more the bound must allow for.
        uint64_t held = uint64_t(memoryBytes()) + kCostBytes;
        if (held * kShareOfContent > point.position)
            return;
        latest.window = allocateArray<uint8_t>(kWindowBytes);
        if (!latest.window)
            return;
    }
    std::unique_ptr<uint8_t[]> buffer = std::move(latest.window);
    copyWindow(buffer.get(), window, windowEnd, point.windowBytes);
    latest = std::move(point);
    latest.window = std::move(buffer);
    latestValid = true;
}

const GzipCheckpoint* GzipCheckpoints::before(uint32_t position) const {
    // Few enough to walk; positions only grow along the list.
    const GzipCheckpoint* found = nullptr;
    for (uint32_t i = 0; i < count && points[i].position <= position; ++i)
        found = &points[i];
    if (latestValid && latest.position <= position && (!found || latest.position > found->position))
        found = &latest;
    return found;
}

const GzipCheckpoint* GzipCheckpoints::last() const {
    const GzipCheckpoint* farthest = count ? &points[count - 1] : nullptr;
    if (latestValid && (!farthest || latest.position > farthest->position))
        farthest = &latest;
    return farthest;
}

uint32_t GzipCheckpoints::memoryBytes() const {
    uint32_t bytes = 0;
    for (uint32_t i = 0; i < count; ++i)
        bytes += points[i].windowBytes + uint32_t(sizeof(GzipCheckpoint));
    if (latest.window)
        bytes += kCostBytes;
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
