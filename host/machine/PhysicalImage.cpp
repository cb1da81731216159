#include "machine/PhysicalImage.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "machine/PhysicalMemory.h"

namespace host {
namespace {

[[noreturn]] void fatal(const char* what) {
    std::fprintf(stderr, "kestrel host: physical image: %s: %s\n", what, std::strerror(errno));
    std::abort();
}

}  // namespace

PhysicalImage::PhysicalImage(const PhysicalMemory& memory) {
    for (const PhysicalMemory::Bank& b : memory.banks()) {
        // A private mapping of the same memfd pages: reads see the RAM,
        // writes stay in this image.
        void* p = mmap(nullptr, b.size, PROT_READ | PROT_WRITE, MAP_PRIVATE, memory.fd(),
                       off_t(memory.fileOffset(b.base)));
        if (p == MAP_FAILED)
            fatal("mmap of a RAM bank");
        banks_.push_back(Mapping{b.base, b.size, static_cast<uint8_t*>(p)});
    }
}

PhysicalImage::PhysicalImage(const std::vector<Bank>& banks) {
    for (const Bank& b : banks) {
        uint32_t size = uint32_t(b.bytes.size());
        void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            fatal("mmap of a bank");
        std::memcpy(p, b.bytes.data(), size);
        banks_.push_back(Mapping{b.base, size, static_cast<uint8_t*>(p)});
    }
}

PhysicalImage::~PhysicalImage() {
    for (const Mapping& b : banks_)
        munmap(b.bytes, b.size);
}

uint8_t* PhysicalImage::at(uint32_t physical, uint32_t length) {
    for (Mapping& b : banks_) {
        if (physical >= b.base && uint64_t(physical - b.base) + length <= b.size)
            return b.bytes + (physical - b.base);
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
