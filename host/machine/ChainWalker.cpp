#include "machine/ChainWalker.h"

#include <cstdio>

#include "machine/PhysicalImage.h"

namespace host {
namespace {

constexpr size_t kMaxFaults = 16;  // enough to tell what went wrong

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

}  // namespace

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
    do {
        store(image, dst, 0, result);
        dst += 4;
    } while (below(dst, end));
}

void ChainWalker::copy(PhysicalImage& image, uint32_t src, uint32_t dst, uint32_t end,
                       Result& result) const {
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
    uint32_t tag = head;
    while (tag != kEnd) {
        if (result.links == kMaxLinks) {
            fault(result, "chain does not end after " + std::to_string(kMaxLinks) + " links");
            return result;
        }
        uint32_t next = load(image, tag, result);
        uint32_t src = load(image, tag + 4, result);
        uint32_t dst = load(image, tag + 8, result);
        uint32_t size = load(image, tag + 12, result);
        if (pxa_)
            dst = (dst & 0x00FFFFFF) | 0xA0000000;
        uint32_t end = dst + size;
        if (src == kEnd) {
            zeroFill(image, dst, end, result);
        } else {
            copy(image, src, dst, end, result);
        }
        result.lastEnd = end;
        ++result.links;
        tag = next;
    }
    result.ended = true;
    result.stackPointer = (result.lastEnd + 0x2000) & ~0xFFFu;
    return result;
}

}  // namespace host
