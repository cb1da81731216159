// The second-stage loader images as assembled, run in the emulated CPU from
// a physical page after the flat jump: the chain walk, the stack, the
// kernel's registers and the PXA-2x0 address rewrite.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "arch/arm/SecondStageImages.h"
#include "machine/ArmCpu.h"
#include "machine/PhysicalMemory.h"
#include "platform/ce/CeMemory.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::DeviceFolder;

constexpr uint32_t kEnd = 0xFFFFFFFF;
constexpr uint32_t kBranchToSelf = 0xEAFFFFFE;

struct Link {
    uint32_t src;  // kEnd: zero fill
    uint32_t dst;
    uint32_t size;
};

// A machine with the second-stage loader in a page, a chain of links and a
// boot-argument block, all placed by physical address.
class Stage {
  public:
    explicit Stage(const char* profile, uint32_t base) : device_(profile), base_(base) {
        memory_ = &device_.machine().component<host::PhysicalMemory>();
        cpu_ = &device_.machine().component<host::ArmCpu>();
        bool pxa = std::string(profile) != "jornada720";
        const uint8_t* image = pxa ? kSecondStagePxa2x0 : kSecondStageSa11x0;
        uint32_t size = pxa ? kSecondStagePxa2x0Size : kSecondStageSa11x0Size;
        std::memcpy(memory_->ram(loaderPage(), size), image, size);
    }
    uint32_t loaderPage() const { return base_; }
    uint32_t blockAddress() const { return base_ + 0x1000; }
    uint32_t tagsAddress() const { return base_ + 0x2000; }
    uint32_t dataAddress() const { return base_ + 0x3000; }

    void put(uint32_t physical, uint32_t value) {
        std::memcpy(memory_->ram(physical, 4), &value, 4);
    }
    uint32_t get(uint32_t physical) {
        uint32_t v;
        std::memcpy(&v, memory_->ram(physical, 4), 4);
        return v;
    }
    void fill(uint32_t physical, uint8_t byte, uint32_t n) {
        std::memset(memory_->ram(physical, n), byte, n);
    }

    host::ArmCpu::JumpOutcome jump(const std::vector<Link>& links, uint32_t entry,
                                   const char* routine) {
        for (size_t i = 0; i < links.size(); ++i) {
            uint32_t tag = tagsAddress() + uint32_t(i) * 16;
            put(tag, i + 1 < links.size() ? tag + 16 : kEnd);
            put(tag + 4, links[i].src);
            put(tag + 8, links[i].dst);
            put(tag + 12, links[i].size);
        }
        uint32_t block[4] = {entry, 3, 0x11110000, 0x22220000};
        for (int i = 0; i < 4; ++i)
            put(blockAddress() + i * 4, block[i]);
        ce::SetKMode(ce::TRUE);
        uint32_t head = links.empty() ? kEnd : tagsAddress();
        return cpu_->jump(routine, blockAddress(), head, base_ + 0x5000, loaderPage());
    }
    host::ArmCpu& cpu() { return *cpu_; }

  private:
    DeviceFolder device_;
    uint32_t base_;
    host::PhysicalMemory* memory_;
    host::ArmCpu* cpu_;
};

TEST(SecondStage, ImagesHaveTheirSizes) {
    EXPECT_EQ(sizeof kSecondStageSa11x0, 424u);
    EXPECT_EQ(sizeof kSecondStagePxa2x0, 392u);
}

TEST(SecondStage, ZeroFillTailPutsTheStackTwoPagesOn) {
    Stage s("jornada720", 0xC0900000);
    s.put(0xC0300000, kBranchToSelf);  // the "kernel"
    s.fill(0xC0400000, 0xEE, 0x1000);
    auto o = s.jump({{kEnd, 0xC0400000, 0x1000}}, 0xC0300000, "FlatJump_sa11x0");
    ASSERT_TRUE(o.entered) << o.reason;
    EXPECT_TRUE(o.halted) << o.reason;
    EXPECT_EQ(o.entry, 0xC0300000u);
    EXPECT_EQ(o.entrySp, 0xC0403000u);
    EXPECT_EQ(s.get(0xC0400000), 0u);
    EXPECT_EQ(s.get(0xC0400FFC), 0u);
    // The kernel's arguments, masked interrupts, System mode, MMU and caches off.
    EXPECT_EQ(o.entryRegs[0], 3u);
    EXPECT_EQ(o.entryRegs[1], 0x11110000u);
    EXPECT_EQ(o.entryRegs[2], 0x22220000u);
    EXPECT_EQ(o.entryCpsr & 0xDF, 0xDFu);
    EXPECT_EQ(s.cpu().cp15(1) & 0x300F, 0x2000u);
}

TEST(SecondStage, CopiesWholeWords) {
    struct Row {
        uint32_t size;
        uint32_t wordsStored;
    };
    // A 10-byte link copies three words; a 4-byte link stores one word
    // (and reads two); 8 bytes store exactly two.
    const Row rows[] = {{10, 3}, {4, 1}, {8, 2}};
    for (const Row& row : rows) {
        Stage s("jornada720", 0xC0900000);
        s.put(0xC0300000, kBranchToSelf);
        for (uint32_t i = 0; i < 4; ++i)
            s.put(s.dataAddress() + i * 4, 0xA0A0A0A0 + i);
        s.fill(0xC0500000, 0xEE, 32);
        auto o = s.jump({{s.dataAddress(), 0xC0500000, row.size}}, 0xC0300000, "FlatJump_sa11x0");
        ASSERT_TRUE(o.halted) << o.reason;
        for (uint32_t i = 0; i < 4; ++i) {
            uint32_t want = i < row.wordsStored ? 0xA0A0A0A0 + i : 0xEEEEEEEE;
            EXPECT_EQ(s.get(0xC0500000 + i * 4), want) << "size " << row.size << " word " << i;
        }
    }
}

TEST(SecondStage, WalksEveryLinkInOrder) {
    Stage s("jornada720", 0xC0900000);
    s.put(s.dataAddress(), kBranchToSelf);
    s.put(s.dataAddress() + 4, 0x12345678);
    s.fill(0xC0600000, 0xEE, 0x2000);
    auto o = s.jump({{s.dataAddress(), 0xC0600000, 8}, {kEnd, 0xC0600008, 0x1FF8}}, 0xC0600000,
                    "FlatJump_sa11x0");
    ASSERT_TRUE(o.halted) << o.reason;
    EXPECT_EQ(s.get(0xC0600004), 0x12345678u);
    EXPECT_EQ(s.get(0xC0601FFC), 0u);
    EXPECT_EQ(o.entrySp, 0xC0604000u);
}

TEST(SecondStage, PxaRewritesDestinationsAndEntryIntoSdram) {
    for (const char* profile : {"ipaq3900", "wzero3"}) {
        Stage s(profile, 0xA1900000);
        s.put(s.dataAddress(), kBranchToSelf);
        s.fill(0xA0200000, 0xEE, 16);
        auto o = s.jump({{s.dataAddress(), 0xC0200000, 4}}, 0xC0200000, "FlatJump_pxa2x0");
        ASSERT_TRUE(o.entered) << profile << ": " << o.reason;
        EXPECT_TRUE(o.halted) << o.reason;
        EXPECT_EQ(o.entry, 0xA0200000u) << profile;
        EXPECT_EQ(s.get(0xA0200000), kBranchToSelf) << profile;
        EXPECT_EQ(o.entrySp, 0xA0202000u) << profile;
    }
}

TEST(SecondStage, BudgetAndFaultsAreReported) {
    Stage s("jornada720", 0xC0900000);
    s.put(0xC0300000, 0xEAFFFFFD);  // b . - 4: loops without being a halt
    s.put(0xC02FFFFC, 0xE1A00000);  // nop
    s.cpu().setBudget(10000);
    auto o = s.jump({}, 0xC0300000, "FlatJump_sa11x0");
    EXPECT_TRUE(o.entered);
    EXPECT_FALSE(o.halted);
    EXPECT_NE(o.reason.find("budget"), std::string::npos) << o.reason;

    Stage t("jornada720", 0xC0900000);
    auto f = t.jump({}, 0x10000000, "FlatJump_sa11x0");  // nothing there
    EXPECT_FALSE(f.halted);
    EXPECT_NE(f.reason.find("0x10000000"), std::string::npos) << f.reason;
}

}  // namespace
