// The physical ranges that the second-stage loader's walk writes (and the
// kernel's first stack below the stack pointer the walk leaves), known from
// the kernel's headers and the image size before a byte of either is read.
// The memory manager keeps every page it hands out outside them, so no
// write of the walk can land on a tag, a source page, the loader or the
// boot arguments, whatever order Windows CE gave the pages in.
#pragma once

#include <cstdint>

class Destinations {
  public:
    static constexpr int kMaxRanges = 32;

    struct Range {
        uint32_t start;
        uint32_t size;
    };

    // Appends [start, start + size); false when the table is full or the
    // range runs past 4 GiB. Empty ranges are ignored.
    bool add(uint32_t start, uint32_t size);
    // True when some range covers a byte of [page, page + pageSize).
    bool coversPage(uint32_t page, uint32_t pageSize) const;
    // True, with the indexes, when two ranges share a byte.
    bool overlap(int& first, int& second) const;
    void clear() { count_ = 0; }

    int count() const { return count_; }
    const Range& operator[](int i) const { return ranges_[i]; }

  private:
    Range ranges_[kMaxRanges] = {};
    int count_ = 0;
};
