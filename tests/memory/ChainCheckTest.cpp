// The check made before the jump: a chain whose walk would overwrite what
// it still has to read, or place two links over each other, is refused.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "arch/arm/SA1100Architecture.h"
#include "memory/ChainCheck.h"
#include "memory/MemoryManager_LockPages.h"
#include "memory/PageTag.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;

constexpr uint32_t kNone = PageTag::kZeroFill;
constexpr Placement kAsIs{0xFFFFFFFF, 0};
constexpr Placement kSdram{0x00FFFFFF, 0xA0000000};

struct Link {
    uint32_t src;  // a page index of the reservation (its data), or kNone
    uint32_t dst;  // a physical address, or a page index when below 64
    uint32_t size;
};

// Sixteen reserved pages; the chain's tags go into page 0, one after the
// other; page 14 is the loader page, page 15 the boot arguments.
class Chain {
  public:
    Chain() {
        SA1100Architecture coredll(console, none);
        memory = std::make_unique<MemoryManager_LockPages>(
            coredll.findLockPages(), coredll.findUnlockPages(), console, 4096, 0);
        EXPECT_TRUE(memory->reservePages(0x10000, false));
    }
    uint32_t physical(int page) const { return memory->pageTable()[page].physicalAddress; }
    // `lastNext`: where the last tag points (the end mark unless a row says).
    bool check(const std::vector<Link>& links, Placement placement = kAsIs,
               uint32_t lastNext = kNone) {
        uint8_t* tags =
            reinterpret_cast<uint8_t*>(uintptr_t(memory->pageTable()[0].virtualAddress));
        for (size_t i = 0; i < links.size(); ++i) {
            PageTag t{};
            t.next = i + 1 < links.size() ? physical(0) + uint32_t(i + 1) * 16 : lastNext;
            t.src = links[i].src == kNone ? kNone : physical(int(links[i].src));
            t.dst = links[i].dst < 64 ? physical(int(links[i].dst)) : links[i].dst;
            t.size = links[i].size;
            std::memcpy(tags + i * 16, &t, sizeof t);
        }
        capture.text.clear();
        return ChainCheck(*memory, console, placement)
            .safe(physical(0), physical(15), physical(14));
    }
    std::string text() const { return capture.utf8(); }
    void addRam(uint32_t start, uint32_t size) { memory->addRegion(start, size); }

  private:
    DeviceFolder device;
    CaptureConsole capture;
    Console* console = &capture;
    MemoryManager* none = nullptr;
    std::unique_ptr<MemoryManager> memory;
};

TEST(ChainCheck, RefusesWhatWouldCorruptTheWalk) {
    struct Row {
        std::vector<Link> links;
        Placement placement;
        bool safe;
        const char* message;
    };
    const Row rows[] = {
        // A kernel and its bss far from the reserved pages.
        {{{1, 0xC0200000, 4080}, {2, 0xC0200FF0, 100}, {kNone, 0xC0201054, 0x1000}},
         kAsIs,
         true,
         ""},
        // The first link lands on the page holding the later tags.
        {{{1, 0, 16}, {2, 0xC0300000, 8}}, kAsIs, false, "which it still needs"},
        // ... on data that a later link has still to copy.
        {{{1, 3, 4080}, {3, 0xC0300000, 4080}}, kAsIs, false, "which it still needs"},
        // ... on data copied already: harmless.
        {{{1, 0xC0300000, 4080}, {kNone, 1, 4080}}, kAsIs, true, ""},
        // ... on the loader page or the boot arguments.
        {{{kNone, 14, 4}}, kAsIs, false, "which it still needs"},
        {{{1, 15, 4}}, kAsIs, false, "which it still needs"},
        // A later link over an earlier one.
        {{{1, 0xC0200000, 4080}, {kNone, 0xC0200800, 16}}, kAsIs, false, "over link 0"},
        // On the PXA-2x0 the destinations fold into the first 16 MiB of SDRAM.
        {{{1, 0xA0200000, 4080}, {2, 0xA1200000, 4080}}, kSdram, false, "over link 0"},
        {{{1, 0xC0200000, 4080}, {2, 0xC0201000, 4080}}, kSdram, true, ""},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        Chain chain;
        EXPECT_EQ(chain.check(rows[i].links, rows[i].placement), rows[i].safe) << "row " << i;
        EXPECT_NE(chain.text().find(rows[i].message), std::string::npos)
            << "row " << i << ": " << chain.text();
    }
}

// Chains the walk could not finish, or that would write outside the RAM the
// architecture names, are refused too.
TEST(ChainCheck, RefusesWalksThatCannotFinish) {
    constexpr uint32_t kLoop = 1;  // the last tag points back at the first
    constexpr uint32_t kAway = 2;  // ... at a page that was not reserved
    struct Row {
        std::vector<Link> links;
        uint32_t lastNext;
        const char* message;
    } rows[] = {
        {{{1, 0xC0200000, 16}}, kNone, ""},
        {{{1, 0xC0200000, 16}, {kNone, 0xC0300000, 16}}, kLoop, "no end to the chain"},
        {{{1, 0xC0200000, 16}}, kAway, "outside the reserved pages"},
        {{{1, 0xD0000000, 16}}, kNone, "outside RAM"},      // no bank there
        {{{kNone, 0x00000000, 16}}, kNone, "outside RAM"},  // the vectors, not RAM
        {{{1, 0xC1FFF000, 0x2000}}, kNone, "outside RAM"},  // past the bank's end
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        Chain chain;
        chain.addRam(0xC0000000, 0x02000000);
        uint32_t next = rows[i].lastNext == kLoop   ? chain.physical(0)
                        : rows[i].lastNext == kAway ? 0x00001000
                                                    : kNone;
        bool safe = chain.check(rows[i].links, kAsIs, next);
        EXPECT_EQ(safe, *rows[i].message == 0) << "row " << i << ": " << chain.text();
        EXPECT_NE(chain.text().find(rows[i].message), std::string::npos)
            << "row " << i << ": " << chain.text();
    }
}

}  // namespace
