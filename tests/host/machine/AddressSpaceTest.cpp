// The simulated handheld's RAM and the process's virtual memory.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "ce/CoreDll.h"
#include "machine/AddressSpace.h"
#include "machine/PhysicalMemory.h"
#include "platform/ce/Ce.h"
#include "support/DeviceFolder.h"

namespace {

using host::AddressSpace;
using host::PhysicalMemory;
using testing_support::DeviceFolder;

constexpr uint32_t kPage = 4096;

uint32_t va(const void* p) {
    return uint32_t(reinterpret_cast<uintptr_t>(p));
}
void* ptr(uint32_t v) {
    return reinterpret_cast<void*>(uintptr_t(v));
}

class AddressSpaceTest : public ::testing::Test {
  protected:
    PhysicalMemory& memory() { return device.machine().component<PhysicalMemory>(); }
    AddressSpace& space() { return device.machine().component<AddressSpace>(); }
    uint8_t* commit(uint32_t bytes) {
        return static_cast<uint8_t*>(ce::VirtualAlloc(nullptr, bytes, ce::MEM_COMMIT,
                                                      ce::PAGE_READWRITE | ce::PAGE_NOCACHE));
    }
    uint32_t frameOf(const void* p) {
        uint32_t pa = 0;
        EXPECT_TRUE(space().translate(va(p), pa));
        return pa;
    }
    DeviceFolder device;  // jornada720: 0xC0000000 and 0xC8000000, 16 MiB each
};

TEST_F(AddressSpaceTest, BanksFollowTheProfile) {
    const auto& banks = memory().banks();
    ASSERT_EQ(banks.size(), 2u);
    EXPECT_EQ(banks[0].base, 0xC0000000u);
    EXPECT_EQ(banks[1].base, 0xC8000000u);
    EXPECT_EQ(banks[1].size, 0x01000000u);
    EXPECT_EQ(memory().ram(0xC8000000, 4), banks[1].host);
    EXPECT_EQ(memory().ram(0xC0FFFFFC, 4), banks[0].host + 0xFFFFFC);
    EXPECT_EQ(memory().ram(0xC0FFFFFE, 4), nullptr);  // runs past the bank
    EXPECT_EQ(memory().ram(0xC1000000, 4), nullptr);  // the hole between banks
    EXPECT_EQ(memory().ram(0x80050000, 4), nullptr);  // a device register
}

TEST_F(AddressSpaceTest, OsKeepsTheBottomAndCarvesPrivateFramesFromItsTop) {
    ASSERT_EQ(memory().reservedRanges().size(), 1u);
    EXPECT_EQ(memory().reservedRanges()[0].base, 0xC0000000u);
    EXPECT_EQ(memory().reservedRanges()[0].size, 0x00100000u);
    uint32_t l1 = memory().allocateOsPrivate(0x4000, 0x4000);
    uint32_t l2 = memory().allocateOsPrivate(0x400, 0x400);
    EXPECT_EQ(l1, 0xC00FC000u);
    EXPECT_EQ(l2, 0xC00FBC00u);
    EXPECT_TRUE(memory().isReserved(l2));
    EXPECT_EQ(memory().freeFrameCount(), (0x02000000u - 0x00100000u) / kPage);
}

TEST_F(AddressSpaceTest, CommittedPagesGetScatteredFreeFramesSharedWithPhysicalMemory) {
    uint8_t* block = commit(64 * kPage);
    ASSERT_NE(block, nullptr);
    EXPECT_LT(va(block) + 64 * kPage, 0x7FFF0000u);
    EXPECT_EQ(va(block) % 0x10000, 0u);
    std::set<uint32_t> frames;
    uint32_t previous = 0;
    for (uint32_t i = 0; i < 64; ++i) {
        uint32_t pa = frameOf(block + i * kPage);
        EXPECT_EQ(pa % kPage, 0u);
        EXPECT_FALSE(memory().isReserved(pa));
        EXPECT_NE(pa, previous + kPage) << "page " << i << " follows its predecessor";
        EXPECT_NE(pa + kPage, previous) << "page " << i << " precedes its predecessor";
        frames.insert(pa);
        previous = pa;
        // What the process writes is in physical memory at the frame.
        std::memcpy(block + i * kPage + 100, &i, 4);
        uint32_t seen = 0;
        std::memcpy(&seen, memory().ram(pa + 100, 4), 4);
        EXPECT_EQ(seen, i);
    }
    EXPECT_EQ(frames.size(), 64u);
}

TEST_F(AddressSpaceTest, LockPagesAnswersEachPagesFrame) {
    uint8_t* block = commit(8 * kPage);
    ASSERT_NE(block, nullptr);
    uint32_t frames[8] = {};
    ASSERT_TRUE(host::lockPages(block + 5, 8 * kPage - 5, frames, 1));
    for (uint32_t i = 0; i < 8; ++i)
        EXPECT_EQ(frames[i], frameOf(block + i * kPage));
    EXPECT_EQ(space().lockedPageCount(), 8u);
    EXPECT_TRUE(host::unlockPages(block, 8 * kPage));
    EXPECT_EQ(space().lockedPageCount(), 0u);
    // A page that was only reserved has no frame.
    void* reserved = ce::VirtualAlloc(nullptr, kPage, ce::MEM_RESERVE, ce::PAGE_NOACCESS);
    EXPECT_FALSE(host::lockPages(reserved, kPage, frames, 1));
}

TEST_F(AddressSpaceTest, AllocationBeyondFreeRamFailsAndKeepsEveryFrame) {
    size_t before = memory().freeFrameCount();
    ce::SetLastError(0);
    EXPECT_EQ(commit(uint32_t(before + 1) * kPage), nullptr);
    EXPECT_EQ(ce::GetLastError(), ce::ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(memory().freeFrameCount(), before);
    EXPECT_TRUE(space().mappings().empty());
    uint8_t* all = commit(uint32_t(before) * kPage);  // exactly what is free still works
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(memory().freeFrameCount(), 0u);
    EXPECT_TRUE(ce::VirtualFree(all, 0, ce::MEM_RELEASE));
    EXPECT_EQ(memory().freeFrameCount(), before);
}

TEST_F(AddressSpaceTest, ReserveThenCommitPageByPage) {
    uint8_t* block = static_cast<uint8_t*>(
        ce::VirtualAlloc(nullptr, 0x30000, ce::MEM_RESERVE, ce::PAGE_NOACCESS));
    ASSERT_NE(block, nullptr);
    uint32_t pa = 0;
    EXPECT_FALSE(space().translate(va(block), pa));
    void* page = ce::VirtualAlloc(block + 3 * kPage, kPage, ce::MEM_COMMIT, ce::PAGE_READWRITE);
    EXPECT_EQ(page, block + 3 * kPage);
    EXPECT_TRUE(space().translate(va(block) + 3 * kPage + 7, pa));
    EXPECT_EQ(pa % kPage, 7u);
    EXPECT_FALSE(space().translate(va(block) + 4 * kPage, pa));
    // Outside the reservation nothing can be committed.
    EXPECT_EQ(ce::VirtualAlloc(block + 0x30000, kPage, ce::MEM_COMMIT, ce::PAGE_READWRITE),
              nullptr);
    EXPECT_FALSE(ce::VirtualFree(block + kPage, 0, ce::MEM_RELEASE));  // not the base
    EXPECT_TRUE(ce::VirtualFree(block, 0, ce::MEM_RELEASE));
}

TEST_F(AddressSpaceTest, VirtualCopyOfRamSeesTheFrameAndDecommitAllowsAnotherWindow) {
    const uint32_t kWindow = 0x400000;
    uint8_t* window = static_cast<uint8_t*>(
        ce::VirtualAlloc(nullptr, kWindow, ce::MEM_RESERVE, ce::PAGE_NOACCESS));
    ASSERT_NE(window, nullptr);
    std::memcpy(memory().ram(0xC8123000, 4), "KEST", 4);
    for (uint32_t a : {0xC8000000u, 0xC8400000u, 0xC8000000u}) {
        ASSERT_TRUE(ce::VirtualCopy(window, ptr(a >> 8), kWindow,
                                    ce::PAGE_READONLY | ce::PAGE_NOCACHE | ce::PAGE_PHYSICAL));
        uint32_t pa = 0;
        EXPECT_TRUE(space().translate(va(window) + 0x123000, pa));
        EXPECT_EQ(pa, a + 0x123000);
        EXPECT_EQ(std::memcmp(window + 0x123000, "KEST", 4) == 0, a == 0xC8000000);
        ASSERT_TRUE(ce::VirtualFree(window, kWindow, ce::MEM_DECOMMIT));
    }
    EXPECT_TRUE(ce::VirtualFree(window, 0, ce::MEM_RELEASE));
}

TEST_F(AddressSpaceTest, VirtualCopyOfDeviceRegistersIsRecordedAsDevice) {
    void* window = ce::VirtualAlloc(nullptr, kPage, ce::MEM_RESERVE, ce::PAGE_NOACCESS);
    ASSERT_TRUE(ce::VirtualCopy(window, ptr(0x80050000 >> 8), kPage,
                                ce::PAGE_READWRITE | ce::PAGE_NOCACHE | ce::PAGE_PHYSICAL));
    EXPECT_EQ(*static_cast<volatile uint32_t*>(window), 0u);  // reads do not fault
    auto maps = space().mappings();
    ASSERT_EQ(maps.size(), 1u);
    EXPECT_EQ(maps[0].va, va(window));
    EXPECT_EQ(maps[0].pa, 0x80050000u);
    EXPECT_EQ(maps[0].size, kPage);
    EXPECT_TRUE(maps[0].isDevice);
    EXPECT_TRUE(maps[0].writable);
    // A second copy onto mapped pages is refused; an unaligned address too.
    EXPECT_FALSE(ce::VirtualCopy(window, ptr(0x80050000 >> 8), kPage, ce::PAGE_PHYSICAL));
    void* other = ce::VirtualAlloc(nullptr, kPage, ce::MEM_RESERVE, ce::PAGE_NOACCESS);
    EXPECT_FALSE(ce::VirtualCopy(other, ptr(0x80050100 >> 8), kPage, ce::PAGE_PHYSICAL));
}

TEST_F(AddressSpaceTest, MappingsJoinRunsOfAdjacentPages) {
    uint8_t* block = commit(4 * kPage);
    void* window = ce::VirtualAlloc(nullptr, 3 * kPage, ce::MEM_RESERVE, ce::PAGE_NOACCESS);
    ASSERT_TRUE(ce::VirtualCopy(window, ptr(0xC0100000 >> 8), 3 * kPage,
                                ce::PAGE_READONLY | ce::PAGE_PHYSICAL));
    auto maps = space().mappings();
    ASSERT_EQ(maps.size(), 5u);  // four scattered frames, then one run of three
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(maps[i].va, va(block) + i * kPage);
        EXPECT_EQ(maps[i].size, kPage);
        EXPECT_FALSE(maps[i].isDevice);
    }
    EXPECT_EQ(maps[4].pa, 0xC0100000u);
    EXPECT_EQ(maps[4].size, 3 * kPage);
    EXPECT_FALSE(maps[4].writable);
}

TEST(PhysicalMemoryLayout, PxaMachineHasOneBankAndTheSameOrderEveryRun) {
    std::vector<uint32_t> first;
    for (int run = 0; run < 2; ++run) {
        DeviceFolder device("wzero3");
        auto& memory = device.machine().component<PhysicalMemory>();
        ASSERT_EQ(memory.banks().size(), 1u);
        EXPECT_EQ(memory.banks()[0].base, 0xA0000000u);
        EXPECT_EQ(memory.banks()[0].size, 0x04000000u);
        std::vector<uint32_t> frames;
        ASSERT_TRUE(memory.takeFrames(16, frames));
        if (run == 0)
            first = frames;
        EXPECT_EQ(frames, first);
    }
}

TEST(PhysicalMemoryLayout, NoTwoFramesHandedOutInARowAreNeighbours) {
    for (const char* profile : {"jornada720", "ipaq3900", "wzero3"}) {
        SCOPED_TRACE(profile);
        DeviceFolder device(profile);
        auto& memory = device.machine().component<PhysicalMemory>();
        std::vector<uint32_t> frames;
        ASSERT_TRUE(memory.takeFrames(uint32_t(memory.freeFrameCount()), frames));
        for (size_t i = 1; i < frames.size(); ++i) {
            ASSERT_NE(frames[i], frames[i - 1] + kPage) << i;
            ASSERT_NE(frames[i] + kPage, frames[i - 1]) << i;
        }
        // Frames given back and taken again keep to the rule too.
        for (size_t i = 0; i < 64; ++i)
            memory.releaseFrame(frames[i * 3]);
        std::vector<uint32_t> again;
        ASSERT_TRUE(memory.takeFrames(64, again));
        for (size_t i = 1; i < again.size(); ++i)
            ASSERT_NE(again[i], again[i - 1] + kPage);
    }
}

TEST(CoreDllExports, LockPagesAndUnlockPagesAreFoundByNameUnlessLeftOut) {
    {
        DeviceFolder device;
        ce::HMODULE dll = ce::LoadLibraryW(u"coredll.dll");
        EXPECT_NE(ce::GetProcAddressW(dll, u"LockPages"), nullptr);
        EXPECT_NE(ce::GetProcAddressW(dll, u"UnlockPages"), nullptr);
    }
    DeviceFolder device("jornada720", "missing_exports = LockPages");
    ce::HMODULE dll = ce::LoadLibraryW(u"coredll.dll");
    EXPECT_EQ(ce::GetProcAddressW(dll, u"LockPages"), nullptr);
    EXPECT_NE(ce::GetProcAddressW(dll, u"UnlockPages"), nullptr);
}

}  // namespace
