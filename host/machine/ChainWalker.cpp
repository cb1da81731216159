#include "machine/ChainWalker.h"

#include <cstdio>
#include <cstring>

#include "machine/PhysicalImage.h"
#include "memory/ChainReader.h"

namespace host {
namespace {

constexpr size_t kMaxFaults = 16;  // enough to tell what went wrong
constexpr Placement kPxaPlacement{0x00FFFFFF, 0xA0000000};

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08x", value);
    return text;
}

void fault(ChainWalker::Result& result, const std::string& what) {
    if (result.faults.size() < kMaxFaults)
        result.faults.push_back(what);
}

bool below(uint32_t dst, uint32_t end) {
    return int32_t(dst) < int32_t(end);
}

// Words the loops store from dst while dst < end (signed): at least one.
uint32_t wordsStored(uint32_t dst, uint32_t end) {
    if (!below(dst, end))
        return 1;
    return uint32_t((uint64_t(int64_t(int32_t(end)) - int32_t(dst)) + 3) / 4);
}

}  // namespace

// The tags as the image holds them when the walk reaches them, read with
// the walk's own loads (so a tag outside RAM is a fault, as on the device).
class ChainWalker::ImageTags : public ChainReader::Memory {
  public:
    ImageTags(const ChainWalker& walker, PhysicalImage& image, Result& result)
        : walker_(walker), image_(image), result_(result) {}
    bool readTag(uint32_t physical, PageTag& tag) override {
        tag.next = walker_.load(image_, physical, result_);
        tag.src = walker_.load(image_, physical + 4, result_);
        tag.dst = walker_.load(image_, physical + 8, result_);
        tag.size = walker_.load(image_, physical + 12, result_);
        return true;
    }

  private:
    const ChainWalker& walker_;
    PhysicalImage& image_;
    Result& result_;
};

uint32_t ChainWalker::load(PhysicalImage& image, uint32_t address, Result& result) const {
    uint32_t word = 0;
    if (!image.read32(address & ~3u, word)) {
        fault(result, "load outside RAM at " + hex(address));
        return 0;
    }
    uint32_t rotate = (address & 3u) * 8;
    return rotate ? (word >> rotate) | (word << (32 - rotate)) : word;
}

void ChainWalker::store(PhysicalImage& image, uint32_t address, uint32_t value,
                        Result& result) const {
    if (!image.write32(address & ~3u, value))
        fault(result, "store outside RAM at " + hex(address));
}

void ChainWalker::zeroFill(PhysicalImage& image, uint32_t dst, uint32_t end, Result& result) const {
    uint32_t words = wordsStored(dst, end);
    // Whole words inside one bank: the same stores, at memory speed.
    if ((dst & 3) == 0 && below(dst, dst + words * 4)) {
        if (uint8_t* to = image.at(dst, words * 4)) {
            std::memset(to, 0, words * 4);
            return;
        }
    }
    do {
        store(image, dst, 0, result);
        dst += 4;
    } while (below(dst, end));
}

void ChainWalker::copy(PhysicalImage& image, uint32_t src, uint32_t dst, uint32_t end,
                       Result& result) const {
    uint32_t words = wordsStored(dst, end);
    uint32_t loaded = (words + 1) / 2 * 8;  // two words a round
    // Aligned, inside RAM and apart: the loop's loads and stores come to a
    // plain copy.
    if ((dst & 3) == 0 && (src & 3) == 0 && below(dst, dst + words * 4)) {
        uint8_t* to = image.at(dst, words * 4);
        const uint8_t* from = image.at(src, loaded);
        bool apart = uint64_t(src) + loaded <= dst || uint64_t(dst) + words * 4 <= src;
        if (to && from && apart) {
            std::memcpy(to, from, words * 4);
            return;
        }
    }
    do {
        uint32_t first = load(image, src, result);
        uint32_t second = load(image, src + 4, result);
        src += 8;
        store(image, dst, first, result);
        dst += 4;
        if (below(dst, end)) {
            store(image, dst, second, result);
            dst += 4;
        }
    } while (below(dst, end));
}

ChainWalker::Result ChainWalker::walk(PhysicalImage& image, uint32_t head) const {
    Result result;
    ImageTags tags(*this, image, result);
    ChainReader reader(tags, head, pxa_ ? kPxaPlacement : kPlaceAsIs, kMaxLinks);
    PageTag link;
    while (reader.next(link)) {
        uint32_t end = link.dst + link.size;
        if (link.src == kEnd) {
            zeroFill(image, link.dst, end, result);
        } else {
            copy(image, link.src, link.dst, end, result);
        }
        result.lastEnd = end;
    }
    result.links = reader.links();
    if (reader.stop() == ChainReader::Stop::kTooLong) {
        fault(result, "chain does not end after " + std::to_string(kMaxLinks) + " links");
        return result;
    }
    result.ended = true;
    result.stackPointer = (result.lastEnd + 0x2000) & ~0xFFFu;
    return result;
}

}  // namespace host
