#include "machine/PhysicalImage.h"

#include <cstring>

#include "machine/PhysicalMemory.h"

namespace host {

PhysicalImage::PhysicalImage(const PhysicalMemory& memory) {
    for (const PhysicalMemory::Bank& b : memory.banks())
        banks_.push_back(Bank{b.base, std::vector<uint8_t>(b.host, b.host + b.size)});
}

uint8_t* PhysicalImage::at(uint32_t physical, uint32_t length) {
    for (Bank& b : banks_) {
        if (physical >= b.base && uint64_t(physical - b.base) + length <= b.bytes.size())
            return b.bytes.data() + (physical - b.base);
    }
    return nullptr;
}

const uint8_t* PhysicalImage::at(uint32_t physical, uint32_t length) const {
    return const_cast<PhysicalImage*>(this)->at(physical, length);
}

bool PhysicalImage::read32(uint32_t physical, uint32_t& value) const {
    const uint8_t* p = at(physical, 4);
    if (!p)
        return false;
    std::memcpy(&value, p, 4);
    return true;
}

bool PhysicalImage::write32(uint32_t physical, uint32_t value) {
    uint8_t* p = at(physical, 4);
    if (!p)
        return false;
    std::memcpy(p, &value, 4);
    return true;
}

}  // namespace host
