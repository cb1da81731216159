// A private copy of the machine's RAM, addressed physically: what the
// second-stage loader will turn physical memory into can be worked out on it
// without touching the machine. The copy is copy-on-write over the RAM's
// memfd, so taking one costs nothing until a page of it is written; the
// machine's RAM must not change while the copy is in use.
#pragma once

#include <cstdint>
#include <vector>

namespace host {

class PhysicalMemory;

class PhysicalImage {
  public:
    // A bank with its initial bytes, for images not taken from a machine.
    struct Bank {
        uint32_t base;
        std::vector<uint8_t> bytes;
    };

    // Every bank of the machine as it is now.
    explicit PhysicalImage(const PhysicalMemory& memory);
    explicit PhysicalImage(const std::vector<Bank>& banks);
    ~PhysicalImage();
    PhysicalImage(PhysicalImage&& other) noexcept : banks_(std::move(other.banks_)) {
        other.banks_.clear();
    }
    PhysicalImage(const PhysicalImage&) = delete;
    PhysicalImage& operator=(const PhysicalImage&) = delete;

    // Bytes of [physical, physical + length) when they lie in one bank.
    uint8_t* at(uint32_t physical, uint32_t length);
    const uint8_t* at(uint32_t physical, uint32_t length) const;
    // Whole little-endian words; false outside RAM.
    bool read32(uint32_t physical, uint32_t& value) const;
    bool write32(uint32_t physical, uint32_t value);

  private:
    struct Mapping {
        uint32_t base;
        uint32_t size;
        uint8_t* bytes;
    };
    std::vector<Mapping> banks_;
};

}  // namespace host
