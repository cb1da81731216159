// The disk image of the disk fuzz targets, given sparsely: a disk image is
// mostly zeros, so the input is a row of pieces, each a 32-bit little-endian
// byte offset, a 16-bit little-endian length and that many bytes (the last
// piece may be cut short); everything else reads as zeros, and a later piece
// lies over an earlier one. The image ends with the last byte of any piece,
// rounded up to whole sectors, at most kMostBytes. The pieces stay in the
// input: nothing of the image's size is allocated.
// fuzz/make-disk-seeds.sh writes seeds in this form from real images.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

class SparseImage {
  public:
    static constexpr uint64_t kMostBytes = 64u << 20;
    static constexpr uint32_t kSector = 512;

    SparseImage(const uint8_t* data, size_t size) {
        size_t at = 0;
        uint64_t end = 0;
        while (at + 6 <= size) {
            uint32_t offset = uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 |
                              uint32_t(data[at + 2]) << 16 | uint32_t(data[at + 3]) << 24;
            size_t length = size_t(data[at + 4] | data[at + 5] << 8);
            at += 6;
            length = std::min(length, size - at);
            if (offset < kMostBytes && length != 0) {
                uint64_t n = std::min<uint64_t>(length, kMostBytes - offset);
                pieces_.push_back(Piece{offset, data + at, uint32_t(n)});
                end = std::max(end, offset + n);
            }
            at += length;
        }
        size_ = (end + kSector - 1) / kSector * kSector;
    }

    uint64_t size() const { return size_; }
    uint32_t sectors() const { return uint32_t(size_ / kSector); }
    // Reads [offset, offset + count); false when any of it lies past the end.
    bool read(uint64_t offset, uint32_t count, void* to) const {
        if (offset + count > size_)
            return false;
        auto* out = static_cast<uint8_t*>(to);
        if (count)
            std::memset(out, 0, count);
        for (const Piece& p : pieces_) {
            uint64_t from = std::max<uint64_t>(offset, p.offset);
            uint64_t until = std::min<uint64_t>(offset + count, uint64_t(p.offset) + p.length);
            if (from < until)
                std::memcpy(out + (from - offset), p.bytes + (from - p.offset), until - from);
        }
        return true;
    }

  private:
    struct Piece {
        uint32_t offset;
        const uint8_t* bytes;
        uint32_t length;
    };
    std::vector<Piece> pieces_;
    uint64_t size_ = 0;
};
