// A private copy of the machine's RAM, addressed physically: what the
// second-stage loader will turn physical memory into can be worked out on it
// without touching the machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

class PhysicalMemory;

class PhysicalImage {
  public:
    struct Bank {
        uint32_t base;
        std::vector<uint8_t> bytes;
    };

    // A copy of every bank as it is now.
    explicit PhysicalImage(const PhysicalMemory& memory);
    // Empty banks (all zero) at the given places.
    explicit PhysicalImage(std::vector<Bank> banks) : banks_(std::move(banks)) {}

    // Bytes of [physical, physical + length) when they lie in one bank.
    uint8_t* at(uint32_t physical, uint32_t length);
    const uint8_t* at(uint32_t physical, uint32_t length) const;
    // Whole little-endian words; false outside RAM.
    bool read32(uint32_t physical, uint32_t& value) const;
    bool write32(uint32_t physical, uint32_t value);
    const std::vector<Bank>& banks() const { return banks_; }

  private:
    std::vector<Bank> banks_;
};

}  // namespace host
