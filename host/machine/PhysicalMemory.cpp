#include "machine/PhysicalMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace host {
namespace {

constexpr uint64_t kDefaultSeed = 0x4B455354;  // any fixed value: runs repeat

[[noreturn]] void fatal(const char* what) {
    std::fprintf(stderr, "kestrel host: physical memory: %s: %s\n", what, std::strerror(errno));
    std::abort();
}

bool adjacent(uint32_t a, uint32_t b) {
    return a + PhysicalMemory::kPageSize == b || b + PhysicalMemory::kPageSize == a;
}

}  // namespace

PhysicalMemory::PhysicalMemory(Machine& machine) {
    mapBanks(machine);
    reserveForOs(machine.profile().osReserved);
    std::string seed = machine.profile().value("memory.seed");
    scatterFreeFrames(seed.empty() ? kDefaultSeed : std::strtoull(seed.c_str(), nullptr, 0));
}

PhysicalMemory::~PhysicalMemory() {
    for (const Bank& b : banks_)
        munmap(b.host, b.size);
    if (fd_ >= 0)
        close(fd_);
}

void PhysicalMemory::mapBanks(Machine& machine) {
    const std::vector<RamBank>& ram = machine.profile().ram;
    uint64_t total = 0;
    for (const RamBank& b : ram)
        total += b.size;
    fd_ = memfd_create("kestrel-ram", MFD_CLOEXEC);
    if (fd_ < 0)
        fatal("memfd_create");
    if (ftruncate(fd_, off_t(total)) != 0)
        fatal("ftruncate");
    uint64_t offset = 0;
    for (const RamBank& b : ram) {
        void* p = mmap(nullptr, b.size, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, off_t(offset));
        if (p == MAP_FAILED)
            fatal("mmap of a RAM bank");
        banks_.push_back(Bank{b.base, b.size, static_cast<uint8_t*>(p)});
        bankOffsets_.push_back(offset);
        offset += b.size;
    }
}

void PhysicalMemory::reserveForOs(uint32_t bytes) {
    bytes = bytes / kPageSize * kPageSize;
    for (const Bank& b : banks_) {
        if (bytes == 0)
            break;
        uint32_t take = std::min(bytes, b.size);
        reserved_.push_back(Range{b.base, take});
        bytes -= take;
    }
    privateAreas_ = reserved_;
}

bool PhysicalMemory::reshuffle(uint64_t seed) {
    if (free_.size() != frameCount_)
        return false;
    scatterFreeFrames(seed);
    return true;
}

void PhysicalMemory::scatterFreeFrames(uint64_t seed) {
    free_.clear();
    for (const Bank& b : banks_) {
        for (uint64_t off = 0; off < b.size; off += kPageSize) {
            uint32_t pa = uint32_t(b.base + off);
            if (!isReserved(pa))
                free_.push_back(pa);
        }
    }
    frameCount_ = free_.size();
    std::mt19937_64 rng(seed);
    std::shuffle(free_.begin(), free_.end(), rng);
    // A shuffle still puts neighbours next to each other now and then; move
    // those apart so that contiguity never happens by accident.
    for (size_t i = 1; i < free_.size(); ++i) {
        for (size_t tries = 0; adjacent(free_[i - 1], free_[i]) && tries < 64; ++tries) {
            size_t j = i + 1 + rng() % std::max<size_t>(1, free_.size() - i - 1);
            if (j < free_.size())
                std::swap(free_[i], free_[j]);
        }
    }
}

uint8_t* PhysicalMemory::ram(uint32_t physical, uint32_t length) {
    for (const Bank& b : banks_) {
        if (physical >= b.base && uint64_t(physical) + length <= uint64_t(b.base) + b.size)
            return b.host + (physical - b.base);
    }
    return nullptr;
}

bool PhysicalMemory::isRam(uint32_t physical, uint32_t length) const {
    return const_cast<PhysicalMemory*>(this)->ram(physical, length) != nullptr;
}

uint64_t PhysicalMemory::fileOffset(uint32_t physical) const {
    for (size_t i = 0; i < banks_.size(); ++i) {
        const Bank& b = banks_[i];
        if (physical >= b.base && physical - b.base < b.size)
            return bankOffsets_[i] + (physical - b.base);
    }
    return UINT64_MAX;
}

bool PhysicalMemory::isReserved(uint32_t physical) const {
    for (const Range& r : reserved_) {
        if (physical >= r.base && physical - r.base < r.size)
            return true;
    }
    return false;
}

uint32_t PhysicalMemory::allocateOsPrivate(uint32_t size, uint32_t alignment) {
    if (size == 0 || alignment == 0 || (alignment & (alignment - 1)))
        return 0;
    for (auto it = privateAreas_.rbegin(); it != privateAreas_.rend(); ++it) {
        if (it->size < size)
            continue;
        uint32_t top = it->base + it->size;
        uint32_t start = (top - size) & ~(alignment - 1);
        if (start < it->base)
            continue;
        it->size = start - it->base;
        std::memset(ram(start, size), 0, size);
        return start;
    }
    return 0;
}

bool PhysicalMemory::takeFrames(uint32_t count, std::vector<uint32_t>& frames) {
    if (count > free_.size())
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        frames.push_back(free_.back());
        free_.pop_back();
    }
    return true;
}

void PhysicalMemory::releaseFrame(uint32_t physical) {
    // Freed frames go to the far end of the list, away from neighbours.
    size_t at = 0;
    while (at < free_.size() &&
           ((at > 0 && adjacent(free_[at - 1], physical)) || adjacent(free_[at], physical)))
        ++at;
    free_.insert(free_.begin() + long(at), physical);
}

}  // namespace host
