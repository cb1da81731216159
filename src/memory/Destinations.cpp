#include "memory/Destinations.h"

namespace {

uint64_t endOf(const Destinations::Range& r) {
    return uint64_t(r.start) + r.size;
}

}  // namespace

bool Destinations::add(uint32_t start, uint32_t size) {
    if (size == 0)
        return true;
    if (count_ >= kMaxRanges || uint64_t(start) + size > 0x100000000ULL)
        return false;
    ranges_[count_++] = Range{start, size};
    return true;
}

bool Destinations::coversPage(uint32_t page, uint32_t pageSize) const {
    uint64_t pageEnd = uint64_t(page) + pageSize;
    for (int i = 0; i < count_; ++i) {
        if (ranges_[i].start < pageEnd && page < endOf(ranges_[i]))
            return true;
    }
    return false;
}

bool Destinations::overlap(int& first, int& second) const {
    for (int i = 0; i < count_; ++i) {
        for (int j = i + 1; j < count_; ++j) {
            if (ranges_[i].start < endOf(ranges_[j]) && ranges_[j].start < endOf(ranges_[i])) {
                first = i;
                second = j;
                return true;
            }
        }
    }
    return false;
}
