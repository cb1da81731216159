// The CPU primitives run as assembled in the emulated CPU of each profile:
// real CP15 values, privilege as SetKMode leaves it, the cache-cleaning
// loads counted on the bus.
#include <gtest/gtest.h>
#include <unicorn/unicorn.h>

#include "arch/arm/CpuPrimitives.h"
#include "machine/ArmCpu.h"
#include "platform/ce/CeMemory.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::DeviceFolder;

struct Profile {
    const char* name;
    uint32_t idMask;  // the main ID without the revision
    uint32_t id;
};

// One row per CPU model the machines use.
const Profile kProfiles[] = {
    {"jornada720", 0xFFFFFFF0, 0x6901B110},  // SA-1110
    {"ipaq3900", 0xFFFFFFF0, 0x69052100},    // PXA250
    {"wzero3", 0xFFFFFFF0, 0x69054110},      // PXA270
};

void PrintTo(const Profile& p, std::ostream* os) {
    *os << p.name;
}

class PrimitivesTest : public testing::TestWithParam<Profile> {
  protected:
    DeviceFolder device{GetParam().name};
    host::ArmCpu& cpu() { return device.machine().component<host::ArmCpu>(); }
};

TEST_P(PrimitivesTest, SystemModeReadsTheCpuOwnRegisters) {
    ce::SetKMode(ce::TRUE);
    EXPECT_EQ(getCPSR() & 0x1F, 0x1Fu);
    EXPECT_EQ(readCP15ID() & GetParam().idMask, GetParam().id);
    uint32_t control = readCP15Control();
    EXPECT_EQ(control & 1, 1u) << "MMU on while Windows CE runs";
    EXPECT_EQ(control, cpu().cp15(1));
    EXPECT_EQ(readCP15TTB() & 0xFFFFC000, cpu().translationTable());
    EXPECT_EQ(readCP15PID(), 0u);
    writeCP15Domain(0xFFFFFFFF);
    EXPECT_EQ(readCP15Domain(), 0xFFFFFFFFu);
    EXPECT_TRUE(cpu().lastFault().empty()) << cpu().lastFault();
}

TEST_P(PrimitivesTest, UserModeTrapsOnTheCoprocessor) {
    EXPECT_FALSE(ce::SetKMode(ce::FALSE));
    EXPECT_EQ(getCPSR() & 0x1F, 0x10u);
    readCP15ID();
    EXPECT_NE(cpu().lastFault().find("readCP15ID"), std::string::npos) << cpu().lastFault();
    EXPECT_NE(cpu().lastFault().find("User mode"), std::string::npos) << cpu().lastFault();
}

TEST_P(PrimitivesTest, InterruptMaskFollowsThePrivilege) {
    // In User mode the control field of CPSR cannot be written: nothing changes.
    disableInterrupts();
    EXPECT_EQ(getCPSR() & 0xC0, 0u);
    ce::SetKMode(ce::TRUE);
    disableInterrupts();
    EXPECT_EQ(getCPSR() & 0xC0, 0xC0u);
    enableInterrupts();
    EXPECT_EQ(getCPSR() & 0xC0, 0u);
}

TEST_P(PrimitivesTest, RefusedKernelModeStaysInUserMode) {
    device.machine().profile().values["kernel_mode"] = "refused";
    EXPECT_FALSE(ce::SetKMode(ce::TRUE));
    EXPECT_EQ(getCPSR() & 0x1F, 0x10u);
}

INSTANTIATE_TEST_SUITE_P(Machines, PrimitivesTest, testing::ValuesIn(kProfiles),
                         [](const auto& info) { return std::string(info.param.name); });

// Counts the loads the cache clean makes from the cache-flush area.
void countLoad(uc_engine*, uc_mem_type, uint64_t, int, int64_t, void* count) {
    ++*static_cast<int*>(count);
}

TEST(CleanDCache, ReadsOneWordPerLineOfTheCacheSize) {
    struct Row {
        uint32_t size;
        int loads;
    };
    // 8192 bytes: the SA-11x0 cache; 65536: the PXA-2x0 cache and the area's size;
    // larger sizes are bounded by the area.
    const Row rows[] = {{8192, 256}, {65536, 2048}, {1 << 20, 2048}};
    for (const Row& row : rows) {
        DeviceFolder device;
        host::ArmCpu& cpu = device.machine().component<host::ArmCpu>();
        uint32_t area = cpu.address("cacheFlushArea");
        int loads = 0;
        uc_hook hook;
        ASSERT_EQ(uc_hook_add(cpu.engine(), &hook, UC_HOOK_MEM_READ,
                              reinterpret_cast<void*>(&countLoad), &loads, area, area + 0xFFFF),
                  UC_ERR_OK);
        dcacheSize() = row.size;
        ce::SetKMode(ce::TRUE);
        cleanDataCache();
        EXPECT_EQ(loads, row.loads) << row.size;
        uc_hook_del(cpu.engine(), hook);
        dcacheSize() = 8192;
    }
}

}  // namespace
