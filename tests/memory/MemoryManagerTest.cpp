// The memory manager on the simulated handheld: reservation, both ends of
// page hand-out, physical mappings and the two ways of finding a frame.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "ce/CoreDll.h"
#include "machine/AddressSpace.h"
#include "machine/PhysicalMemory.h"
#include "machine/RandomSource.h"
#include "memory/Destinations.h"
#include "memory/MemoryManager_LockPages.h"
#include "memory/MemoryManager_VirtualCopy.h"
#include "platform/ce/Ce.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;

constexpr uint32_t kPage = 4096;

uint32_t word(uint32_t address) {
    uint32_t w;
    std::memcpy(&w, reinterpret_cast<void*>(uintptr_t(address)), 4);
    return w;
}

class MemoryManagerTest : public ::testing::Test {
  protected:
    MemoryManagerTest() {
        manager = std::make_unique<MemoryManager_LockPages>(&host::lockPages, &host::unlockPages,
                                                            consolePointer, kPage, 0);
    }
    host::AddressSpace& space() { return device.machine().component<host::AddressSpace>(); }
    host::PhysicalMemory& memory() { return device.machine().component<host::PhysicalMemory>(); }
    uint32_t mappedBytes() {
        uint32_t total = 0;
        for (const auto& m : space().mappings())
            total += m.size;
        return total;
    }

    DeviceFolder device;
    CaptureConsole console;
    Console* consolePointer = &console;
    std::unique_ptr<MemoryManager> manager;
};

TEST_F(MemoryManagerTest, StorageSizeCountsTaggedPages) {
    struct Row {
        uint32_t bytes, storage;
    } rows[] = {
        {0, 0},                    // nothing needs no page
        {1, kPage},                // one byte needs a page
        {4080, kPage},             // a full payload still fits one page
        {4081, 2 * kPage},         // one byte more spills into a second
        {1048576, 258 * kPage},    // 1 MB: 1048576 / 4080 rounded up
        {0xFFFFFFFF, 0xFFFFF000},  // the largest request does not wrap to zero
    };
    for (const Row& r : rows)
        EXPECT_EQ(manager->storageSize(r.bytes), r.storage) << r.bytes;
}

TEST_F(MemoryManagerTest, RoundingHelpers) {
    EXPECT_EQ(MemoryManager::roundUp(4097, kPage), 2 * kPage);
    EXPECT_EQ(MemoryManager::alignDown(4097, kPage), kPage);
    EXPECT_EQ(manager->roundUpPage(0), 0u);
    EXPECT_EQ(manager->alignDownPage(0x40100FFC), 0x40100000u);
    EXPECT_EQ(MemoryManager::roundUp64K(0x30001), 0x40000u);
    EXPECT_EQ(manager->getPageSize(), kPage);
    EXPECT_EQ(manager->payloadSize(), 4080u);
}

TEST_F(MemoryManagerTest, ReservationSizes) {
    struct Row {
        uint32_t bytes;
        const char* lines;
        uint32_t block;
    } rows[] = {
        // 48 whole pages fill exactly three 64 KiB granules.
        {0x30000,
         "address translation table 48 pages. (0x180 bytes)\n"
         "allocated 48 page. mapped 48 page.\n",
         0x30000},
        // One byte more needs a 49th page and a fourth granule.
        {0x30001,
         "address translation table 49 pages. (0x188 bytes)\n"
         "allocated 49 page. mapped 49 page.\n",
         0x40000},
    };
    for (const Row& r : rows) {
        console.text.clear();
        manager = std::make_unique<MemoryManager_LockPages>(&host::lockPages, &host::unlockPages,
                                                            consolePointer, kPage, 0);
        console.text.clear();
        int unlocksBefore = device.machine().counters()["UnlockPages"];
        ASSERT_TRUE(manager->reservePages(r.bytes, false));
        EXPECT_EQ(console.utf8(), r.lines);
        EXPECT_EQ(mappedBytes(), r.block);
        EXPECT_EQ(manager->mappedCount(), int(r.bytes + kPage - 1) / int(kPage));
        EXPECT_EQ(device.machine().counters()["UnlockPages"] - unlocksBefore,
                  manager->mappedCount());
        EXPECT_EQ(space().lockedPageCount(), 0u);  // locked only for the question
        manager.reset();
        EXPECT_EQ(mappedBytes(), 0u) << "the destructor releases the block";
    }
    MemoryManager_LockPages empty(&host::lockPages, &host::unlockPages, consolePointer, kPage, 0);
    EXPECT_FALSE(empty.reservePages(0, false));
}

TEST_F(MemoryManagerTest, PerPageCommitGivesTheSameTable) {
    ASSERT_TRUE(manager->reservePages(0x5000, true));
    ASSERT_EQ(manager->mappedCount(), 5);
    for (int i = 0; i < 5; ++i) {
        uint32_t pa = 0;
        const auto& e = manager->pageTable()[i];
        ASSERT_TRUE(space().translate(e.virtualAddress, pa));
        EXPECT_EQ(e.physicalAddress, pa);
        if (i > 0) {
            EXPECT_EQ(e.virtualAddress, manager->pageTable()[i - 1].virtualAddress + kPage);
        }
    }
}

TEST_F(MemoryManagerTest, BothEndsMeetWithPageInsufficient) {
    ASSERT_TRUE(manager->reservePages(3 * kPage, false));
    const auto* table = manager->pageTable();
    uint32_t v = 0, p = 0, dv = 0, dp = 0, tv = 0, tp = 0;
    std::memset(reinterpret_cast<void*>(uintptr_t(table[0].virtualAddress)), 0x55, 64);
    ASSERT_TRUE(manager->nextTaggedPage(dv, dp, tv, tp));
    EXPECT_EQ(tv, table[0].virtualAddress);
    EXPECT_EQ(tp, table[0].physicalAddress);
    EXPECT_EQ(dv, tv + 16);
    EXPECT_EQ(dp, tp + 16);
    for (uint32_t off = 0; off < 16; off += 4)
        EXPECT_EQ(word(tv + off), 0u) << "tag slot zeroed";
    EXPECT_EQ(word(tv + 16), 0x55555555u) << "data left alone";
    ASSERT_TRUE(manager->takeLastPage(v, p));
    EXPECT_EQ(v, table[2].virtualAddress);
    EXPECT_EQ(manager->mappedCount(), 2);
    console.text.clear();
    ASSERT_TRUE(manager->takeLastPage(v, p));  // the one page left
    EXPECT_EQ(p, table[1].physicalAddress);
    EXPECT_FALSE(manager->nextPage(v, p));
    EXPECT_EQ(console.utf8(), "page insufficient.\n");
    console.text.clear();
    EXPECT_FALSE(manager->takeLastPage(v, p));
    EXPECT_EQ(console.utf8(), "") << "the back end fails silently";
}

TEST_F(MemoryManagerTest, NoPagesBeforeAReservation) {
    uint32_t v = 0, p = 0;
    EXPECT_FALSE(manager->nextPage(v, p));
    EXPECT_EQ(console.utf8(), "MemoryManager: LockPages\npage insufficient.\n");
    EXPECT_FALSE(manager->takeLastPage(v, p));
}

TEST_F(MemoryManagerTest, MapPhysicalPageArithmetic) {
    struct Row {
        uint32_t physical, bytes, pages, offset;
    } rows[] = {
        {0x80050000, 256, 1, 0},    // SA-11x0 serial port 3: one page, its start
        {0x40100FFC, 8, 2, 0xFFC},  // straddles a page boundary: two pages
        {0xC8000010, 4, 1, 0x10},   // a RAM word
    };
    for (const Row& r : rows) {
        uint32_t v = manager->mapPhysical(r.physical, r.bytes, ce::PAGE_READWRITE);
        ASSERT_NE(v, kNotFound);
        EXPECT_EQ(v % kPage, r.offset);
        EXPECT_EQ(mappedBytes(), r.pages * kPage);
        uint32_t pa = 0;
        ASSERT_TRUE(space().translate(v, pa));
        EXPECT_EQ(pa, r.physical);
        manager->unmapPhysical(v);
        EXPECT_EQ(mappedBytes(), 0u);
    }
}

TEST_F(MemoryManagerTest, ReadPhysicalWordReadsRamAndIsDefinedWhenUnmappable) {
    uint32_t value = 0x13536135;
    std::memcpy(memory().ram(0xC8000124, 4), &value, 4);
    EXPECT_EQ(manager->readPhysicalWord(0xC8000124), 0x13536135u);
    EXPECT_EQ(mappedBytes(), 0u);
    console.text.clear();
    // The last word of the address space runs past its top: cannot be mapped.
    EXPECT_EQ(manager->readPhysicalWord(0xFFFFFFFE), MemoryManager::kUnreadableWord);
    EXPECT_EQ(console.utf8(), "can't map physical address 0xfffffffe\n");
    EXPECT_TRUE(space().mappings().empty());
}

TEST_F(MemoryManagerTest, UnmapOfAnUnknownAddressIsReported) {
    console.text.clear();
    manager->unmapPhysical(0x1000);
    EXPECT_EQ(console.utf8(), "can't release memory\n");
}

TEST_F(MemoryManagerTest, RegionsArePrintedAndBounded) {
    console.text.clear();
    manager->addRegion(0xC0000000, 0x01000000);
    manager->addRegion(0xC8000000, 0x01000000);
    EXPECT_EQ(console.utf8(), "[0] 0xc0000000 size 0x01000000\n[1] 0xc8000000 size 0x01000000\n");
    for (int i = 2; i < 20; ++i)
        manager->addRegion(0xD0000000, 0x1000);
    EXPECT_EQ(manager->regionCount(), MemoryManager::kMaxRegions);
}

// LockPages answers scripted by the test.
struct FakeLockPages {
    static inline ce::DWORD answer = 0;
    static inline int failAt = -1;  // call number that fails
    static inline int calls = 0;
    static inline bool unlockFails = false;
    static ce::BOOL lock(ce::LPVOID, ce::DWORD, ce::DWORD* frames, int) {
        if (calls++ == failAt)
            return ce::FALSE;
        *frames = answer;
        return ce::TRUE;
    }
    static ce::BOOL unlock(ce::LPVOID, ce::DWORD) { return unlockFails ? ce::FALSE : ce::TRUE; }
    static void reset() { answer = 0, failAt = -1, calls = 0, unlockFails = false; }
};

TEST_F(MemoryManagerTest, LockPagesFrameLosesItsLowBits) {
    FakeLockPages::reset();
    FakeLockPages::answer = 0xA0123456;
    MemoryManager_LockPages fake(&FakeLockPages::lock, &FakeLockPages::unlock, consolePointer,
                                 kPage, 0);
    EXPECT_EQ(fake.getPhysicalAddress(0x42000000), 0xA0123000u);
    FakeLockPages::unlockFails = true;
    console.text.clear();
    EXPECT_EQ(fake.getPhysicalAddress(0x42000000), 0xA0123000u);
    EXPECT_EQ(console.utf8(), "can't unlock pages\n");
}

TEST_F(MemoryManagerTest, AnUnknownPageEndsTheTableButNotTheReservation) {
    FakeLockPages::reset();
    FakeLockPages::answer = 0xC0800000;
    FakeLockPages::failAt = 2;
    MemoryManager_LockPages fake(&FakeLockPages::lock, &FakeLockPages::unlock, consolePointer,
                                 kPage, 0);
    console.text.clear();
    EXPECT_TRUE(fake.reservePages(5 * kPage, false));
    EXPECT_EQ(console.utf8(),
              "address translation table 5 pages. (0x28 bytes)\n"
              "page#2 not found\n"
              "allocated 5 page. mapped 2 page.\n");
    EXPECT_EQ(fake.mappedCount(), 2);
}

TEST_F(MemoryManagerTest, AllocationBeyondRamIsRefused) {
    console.text.clear();
    EXPECT_FALSE(manager->reservePages(0x02000000, false));  // all 32 MiB: the OS keeps 1
    EXPECT_EQ(console.utf8(),
              "address translation table 8192 pages. (0x10000 bytes)\ncan't allocate memory\n");
}

// Pages inside the kernel's destinations are set aside and more are
// reserved until the table holds as many pages outside them as the
// reservation asked for; when the RAM cannot give that many, everything goes
// back. The destinations: all of the first bank but its first MiB, half the RAM.
TEST_F(MemoryManagerTest, PagesInsideTheDestinationsAreSetAside) {
    struct Row {
        uint32_t bytes;
        bool reserved;
        const char* line;
    } rows[] = {
        {0x00400000, true, "reserved "},  // 1024 pages: about half land inside at first
        {0x00E00000, true, "reserved "},  // 14 MiB of the 15 outside
        {0x01200000, false, "need 4608 pages outside the kernel's destination, found "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.bytes);
        size_t freeBefore = memory().freeFrameCount();
        Destinations kernel;
        ASSERT_TRUE(kernel.add(0xC0100000, 0x00F00000));
        manager = std::make_unique<MemoryManager_LockPages>(&host::lockPages, &host::unlockPages,
                                                            consolePointer, kPage, 0);
        manager->avoid(kernel);
        console.text.clear();
        ASSERT_EQ(manager->reservePages(r.bytes, false), r.reserved) << console.utf8();
        EXPECT_NE(console.utf8().find(r.line), std::string::npos) << console.utf8();
        if (r.reserved) {
            EXPECT_NE(console.utf8().find("inside the kernel's destination; set aside.\n"),
                      std::string::npos);
            EXPECT_GE(uint32_t(manager->mappedCount()), r.bytes / kPage);
            for (int i = 0; i < manager->mappedCount(); ++i)
                EXPECT_FALSE(kernel.coversPage(manager->pageTable()[i].physicalAddress, kPage));
        } else {
            EXPECT_EQ(manager->mappedCount(), 0);
            EXPECT_EQ(memory().freeFrameCount(), freeBefore) << "every page given back";
        }
        manager.reset();
        EXPECT_EQ(memory().freeFrameCount(), freeBefore);
    }
}

class VirtualCopySearchTest : public MemoryManagerTest {
  protected:
    std::unique_ptr<MemoryManager_VirtualCopy> makeSearch() {
        auto search = std::make_unique<MemoryManager_VirtualCopy>(consolePointer, kPage);
        for (const auto& bank : memory().banks())
            search->addRegion(bank.base, bank.size);
        return search;
    }
};

TEST_F(VirtualCopySearchTest, AgreesWithLockPagesOnEveryReservedPage) {
    auto search = makeSearch();
    ASSERT_TRUE(search->reservePages(0x30000, false));
    ASSERT_EQ(search->mappedCount(), 48);
    for (int i = 0; i < 48; ++i) {
        const auto& e = search->pageTable()[i];
        uint32_t frame = 0;
        ASSERT_TRUE(host::lockPages(reinterpret_cast<void*>(uintptr_t(e.virtualAddress)), kPage,
                                    &frame, 1));
        host::unlockPages(reinterpret_cast<void*>(uintptr_t(e.virtualAddress)), kPage);
        EXPECT_EQ(e.physicalAddress, frame) << "page " << i;
        EXPECT_EQ(word(e.virtualAddress), MemoryManager_VirtualCopy::kUntagged);
        EXPECT_EQ(word(e.virtualAddress + 4), MemoryManager_VirtualCopy::kUntagged);
    }
    EXPECT_EQ(mappedBytes(), 0x30000u) << "every search window was released";
}

TEST_F(VirtualCopySearchTest, NeverTagsWithTheUntaggedValue) {
    auto search = makeSearch();
    void* page = ce::VirtualAlloc(nullptr, kPage, ce::MEM_COMMIT, ce::PAGE_READWRITE);
    uint32_t frame = 0;
    ASSERT_TRUE(space().translate(uint32_t(reinterpret_cast<uintptr_t>(page)), frame));
    // A decoy low in RAM holding what a tag drawn without the retry would be.
    uint32_t decoy[2] = {MemoryManager_VirtualCopy::kUntagged, 5};
    std::memcpy(memory().ram(0xC0001000, 8), decoy, 8);
    auto& random = device.machine().component<host::RandomSource>();
    for (uint32_t v :
         {MemoryManager_VirtualCopy::kUntagged, 5u, MemoryManager_VirtualCopy::kUntagged, 6u})
        random.queue(v);
    EXPECT_EQ(search->getPhysicalAddress(uint32_t(reinterpret_cast<uintptr_t>(page))), frame);
}

TEST_F(VirtualCopySearchTest, AnUnknownPageIsNotFound) {
    auto search = makeSearch();
    void* window = ce::VirtualAlloc(nullptr, kPage, ce::MEM_RESERVE, ce::PAGE_NOACCESS);
    // A device page outside every region: its tag is nowhere in RAM.
    ASSERT_TRUE(ce::VirtualCopy(window, reinterpret_cast<void*>(uintptr_t(0x80050000 >> 8)), kPage,
                                ce::PAGE_READWRITE | ce::PAGE_PHYSICAL));
    EXPECT_EQ(search->getPhysicalAddress(uint32_t(reinterpret_cast<uintptr_t>(window))), kNotFound);
}

}  // namespace
