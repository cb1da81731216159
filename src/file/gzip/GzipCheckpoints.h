// Where decoding of one compressed file can start again without going back
// to its first byte. At a deflate block boundary the decoder's whole state
// is the input position (a byte offset and the bits of the byte before it
// still to be decoded) and the last 32 KiB of output, which later blocks may
// copy from. A checkpoint keeps exactly that, plus what the gzip layer needs
// to go on checking the member: its CRC-32 and byte count so far.
//
// Memory bound: a checkpoint costs its window (at most 32 KiB) and its
// record. One is added only while the total after adding it stays within
// 1/16 of the content decoded so far, so the checkpoints of a file never take
// more than 1/16 of its content size, and never more than kMaxCount of them
// (about 2 MiB): when the list is full every second checkpoint is dropped
// and the spacing doubles. The spacing starts from the stored size (the
// content is at least about as large), so a file's checkpoints spread over
// all of it instead of crowding its start.
#pragma once

#include <cstdint>
#include <memory>

struct GzipCheckpoint {
    uint32_t position = 0;     // content position of the boundary
    uint32_t inputOffset = 0;  // stored offset of the first compressed byte not yet taken
    uint32_t memberBytes = 0;  // content bytes of the current member before the boundary
    uint32_t crc = 0;          // CRC-32 of those bytes
    uint32_t bits = 0;         // bits of the byte before inputOffset not yet decoded (0..7)
    uint32_t lastByte = 0;     // that byte
    uint32_t windowBytes = 0;  // output kept: the member's last bytes, at most kWindowBytes
    std::unique_ptr<uint8_t[]> window;
};

class GzipCheckpoints {
  public:
    static constexpr uint32_t kWindowBytes = 32768;  // deflate's farthest back-reference
    static constexpr uint32_t kMaxCount = 64;
    static constexpr uint32_t kCostBytes = kWindowBytes + uint32_t(sizeof(GzipCheckpoint));
    static constexpr uint32_t kShareOfContent = 16;  // memory <= content / 16
    static constexpr uint32_t kLeastSpacing = kShareOfContent * kCostBytes;

    // Drops every checkpoint; the spacing is chosen for `storedBytes` of
    // compressed input.
    void reset(uint32_t storedBytes);

    // True when a checkpoint at content position `position` is wanted (far
    // enough past the last one) and fits the memory bound.
    bool due(uint32_t position) const;

    // Keeps `point` with a copy of the `windowBytes` of output that end at
    // `windowEnd` in the circular buffer `window` (kWindowBytes long).
    // False, keeping nothing, when the copy cannot be allocated.
    bool add(GzipCheckpoint point, const uint8_t* window, uint32_t windowEnd);

    // Keeps `point` as the latest block boundary passed beyond every
    // checkpoint, in place of the one kept before, when its window fits the
    // memory bound: a pass that ends near the end of the content leaves a
    // boundary close to the end (where the section headers and symbols of
    // a kernel lie), not one a whole spacing before it.
    void keepLatest(GzipCheckpoint point, const uint8_t* window, uint32_t windowEnd);

    // The checkpoint at or before `position` that is nearest to it; null
    // when there is none.
    const GzipCheckpoint* before(uint32_t position) const;

    // The farthest checkpoint; null when there is none.
    const GzipCheckpoint* last() const;

    uint32_t size() const { return count; }
    // Bytes held: windows and records.
    uint32_t memoryBytes() const;

  private:
    void thin();
    static void copyWindow(uint8_t* to, const uint8_t* window, uint32_t windowEnd, uint32_t n);

    GzipCheckpoint points[kMaxCount];
    GzipCheckpoint latest;  // its window, once allocated, is kWindowBytes long
    bool latestValid = false;
    uint32_t count = 0;
    uint32_t spacing = kLeastSpacing;
};
