// The three ways of finding a page's physical address agree on the
// simulated handheld, and the software table walk reads every kind of
// descriptor the way the MMU does.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "arch/arm/CpuPrimitives.h"
#include "arch/arm/MemoryManager_ArmMMU.h"
#include "arch/arm/SA1100Architecture.h"
#include "machine/ArmCpu.h"
#include "machine/PhysicalMemory.h"
#include "memory/MemoryManager_LockPages.h"
#include "memory/MemoryManager_VirtualCopy.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;

class ArmMmu : public testing::TestWithParam<const char*> {
  protected:
    DeviceFolder device{GetParam()};
    CaptureConsole capture;
    Console* console = &capture;
    MemoryManager* none = nullptr;
};

TEST_P(ArmMmu, LockPagesVirtualCopyAndTheTableWalkAgreeOnEveryPage) {
    SA1100Architecture coredll(console, none);  // only for the coredll lookups
    MemoryManager_LockPages locked(coredll.findLockPages(), coredll.findUnlockPages(), console,
                                   4096, 0);
    ASSERT_TRUE(locked.reservePages(0x20000, false));
    MemoryManager_VirtualCopy search(console, 4096);
    for (const auto& bank : device.machine().profile().ram)
        search.addRegion(bank.base, bank.size);
    MemoryManager_ArmMMU walk(console, 4096);
    ASSERT_TRUE(walk.init()) << capture.utf8();
    ASSERT_GT(locked.mappedCount(), 16);
    for (int i = 0; i < locked.mappedCount(); ++i) {
        const MemoryManager::PageEntry& page = locked.pageTable()[i];
        EXPECT_EQ(walk.getPhysicalAddress(page.virtualAddress), page.physicalAddress) << i;
        EXPECT_EQ(search.getPhysicalAddress(page.virtualAddress), page.physicalAddress) << i;
    }
}

TEST_P(ArmMmu, InitNeedsSystemMode) {
    device.machine().profile().values["kernel_mode"] = "refused";
    MemoryManager_ArmMMU walk(console, 4096);
    EXPECT_FALSE(walk.init());
    EXPECT_NE(capture.utf8().find("not System mode\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Machines, ArmMmu, testing::Values("jornada720", "wzero3"),
                         [](const auto& info) { return std::string(info.param); });

// Descriptors written into the live tables for one committed page.
TEST(ArmMmuWalk, ReadsEachDescriptorKind) {
    DeviceFolder device;
    CaptureConsole capture;
    Console* console = &capture;
    host::PhysicalMemory& ram = device.machine().component<host::PhysicalMemory>();
    host::ArmCpu& cpu = device.machine().component<host::ArmCpu>();
    void* page = ce::VirtualAlloc(nullptr, 4096, ce::MEM_COMMIT, ce::PAGE_READWRITE);
    ASSERT_NE(page, nullptr);
    uint32_t va = uint32_t(uintptr_t(page)) + 0x345;
    MemoryManager_ArmMMU walk(console, 4096);
    ASSERT_TRUE(walk.init());

    uint32_t l1Address = cpu.translationTable() + (va >> 20) * 4;
    auto word = [&](uint32_t pa) -> uint32_t& {
        return *reinterpret_cast<uint32_t*>(ram.ram(pa, 4));
    };
    uint32_t coarse = word(l1Address);
    uint32_t l2Address = (coarse & 0xFFFFFC00) | ((va >> 10) & 0x3FC);
    uint32_t small = word(l2Address);

    struct Row {
        uint32_t l1, l2;  // l2 only when l1 is coarse
        uint32_t expected;
        const char* printed;
    };
    const Row rows[] = {
        // A section: the top 12 bits from the descriptor.
        {0xC0000C0E, 0, 0xC0000000 | (va & 0xFFFFF), "section Physical Address"},
        // A small page.
        {coarse, 0xA05FF0AE, 0xA05FF345, "2nd level descriptor 0xa05ff0ae"},
        // A large page: 64 KiB, the low 16 bits from the address.
        {coarse, 0xA0510001, 0xA0510000 | (va & 0xFFFF), "-> Level2 page descriptor.\n"},
        // Faults at either level.
        {0, 0, 0xFFFFFFFF, "1st level descriptor fault.\n"},
        {coarse, 0, 0xFFFFFFFF, "2nd level descriptor fault.\n"},
        // The table as the simulated Windows CE keeps it.
        {coarse, small, (small & 0xFFFFF000) | 0x345, "-> Level2 page descriptor.\n"},
    };
    for (const Row& row : rows) {
        readCP15PID();  // the tables are current before they are edited
        word(l1Address) = row.l1;
        word(l2Address) = row.l2;
        capture.text.clear();
        EXPECT_EQ(walk.getPhysicalAddress(va), row.expected) << capture.utf8();
        EXPECT_NE(capture.utf8().find(row.printed), std::string::npos) << capture.utf8();
        word(l1Address) = coarse;
        word(l2Address) = small;
    }
}

}  // namespace
