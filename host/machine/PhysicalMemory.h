// The handheld's RAM: one memfd holding every bank of the profile, each bank
// also mapped contiguously in host memory so that the emulated CPU can map
// the very same bytes (uc_mem_map_ptr on Bank::host). What the system writes
// through a committed virtual address is in here at the frame's address.
//
// The simulated Windows CE keeps the first `profile().osReserved` bytes of RAM
// (in bank order) for itself; its private structures (the CPU's translation
// tables) are carved from the top of that area downward. The rest is handed
// out page by page in a scattered, deterministic order in which no two
// consecutive frames are physically adjacent, as a long-running OS's free
// list would be.
#pragma once

#include <cstdint>
#include <vector>

#include "machine/Machine.h"

namespace host {

class PhysicalMemory : public MachineComponent {
  public:
    static constexpr uint32_t kPageSize = 4096;

    struct Bank {
        uint32_t base;
        uint32_t size;
        uint8_t* host;  // the bank's bytes, contiguous
    };
    struct Range {
        uint32_t base;
        uint32_t size;
    };

    explicit PhysicalMemory(Machine& machine);
    ~PhysicalMemory() override;
    PhysicalMemory(const PhysicalMemory&) = delete;
    PhysicalMemory& operator=(const PhysicalMemory&) = delete;

    const std::vector<Bank>& banks() const { return banks_; }
    // Host bytes of [physical, physical + length) when the range lies inside
    // one bank; null otherwise.
    uint8_t* ram(uint32_t physical, uint32_t length);
    bool isRam(uint32_t physical, uint32_t length) const;

    // The memfd and the offset of a RAM frame in it, for shared mappings.
    int fd() const { return fd_; }
    uint64_t fileOffset(uint32_t physical) const;

    // The RAM the simulated OS keeps for itself (never handed out).
    const std::vector<Range>& reservedRanges() const { return reserved_; }
    bool isReserved(uint32_t physical) const;
    // Carves `size` bytes aligned to `alignment` (a power of two) from the
    // top of the OS-reserved area, for structures the OS keeps in RAM (the
    // CPU's translation tables). Returns the physical address, 0 when the
    // area is exhausted. The bytes are zeroed.
    uint32_t allocateOsPrivate(uint32_t size, uint32_t alignment);

    // Page frames for the process. takeFrames gives `count` frames or none.
    bool takeFrames(uint32_t count, std::vector<uint32_t>& frames);
    void releaseFrame(uint32_t physical);
    size_t freeFrameCount() const { return free_.size(); }
    // Deals the free frames anew in the order `seed` gives, as a handheld
    // started with memory.seed = seed would; false (and nothing changed)
    // while frames are handed out. Lets tests try many layouts on one
    // machine without starting it again.
    bool reshuffle(uint64_t seed);

  private:
    void mapBanks(Machine& machine);
    void reserveForOs(uint32_t bytes);
    void scatterFreeFrames(uint64_t seed);

    int fd_ = -1;
    std::vector<Bank> banks_;
    std::vector<uint64_t> bankOffsets_;
    std::vector<Range> reserved_;
    std::vector<Range> privateAreas_;  // what is still free for allocateOsPrivate
    std::vector<uint32_t> free_;       // the back is handed out first
    size_t frameCount_ = 0;            // frames outside the OS's area
};

}  // namespace host
