// The reference for what the second-stage loader does with a PageTag chain,
// applied to a PhysicalImage instead of the machine: the same walk in C++,
// so that tests and kestrel-util can compare the placed kernel with its file.
//
// The walk, as the ARM routine does it with the MMU off:
//  - tags are read from the image as it stands at that moment (a link may
//    overwrite tags or data that later links use, exactly as on the device);
//  - PXA-2x0 machines replace the top 8 bits of each dst with 0xA0;
//  - a zero fill stores a zero word at dst, dst += 4, while dst < end;
//  - a copy loads the words at src and src + 4, src += 8, stores the first
//    at dst, dst += 4, and the second only while dst < end, until dst >= end;
//  - both loops run at least once and compare dst with end as signed 32-bit
//    numbers; stores go to the word containing dst (ARMv4 ignores the low
//    address bits of a word store), unaligned loads rotate as on ARMv4;
//  - the stack starts at (end + 0x2000) & ~0xFFF of the last link.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

class PhysicalImage;

class ChainWalker {
  public:
    static constexpr uint32_t kEnd = 0xFFFFFFFF;
    // A chain longer than this is taken to loop.
    static constexpr uint32_t kMaxLinks = 1u << 20;

    struct Result {
        uint32_t links = 0;    // tags processed
        uint32_t lastEnd = 0;  // end of the last link's destination
        uint32_t stackPointer = 0;
        bool ended = false;  // reached a tag whose next is 0xFFFFFFFF
        // Accesses outside RAM and other departures from a clean walk.
        std::vector<std::string> faults;
    };

    explicit ChainWalker(bool pxaAddressRewrite) : pxa_(pxaAddressRewrite) {}

    Result walk(PhysicalImage& image, uint32_t head) const;

  private:
    class ImageTags;
    uint32_t load(PhysicalImage& image, uint32_t address, Result& result) const;
    void store(PhysicalImage& image, uint32_t address, uint32_t value, Result& result) const;
    void zeroFill(PhysicalImage& image, uint32_t dst, uint32_t end, Result& result) const;
    void copy(PhysicalImage& image, uint32_t src, uint32_t dst, uint32_t end, Result& result) const;

    bool pxa_;
};

}  // namespace host
