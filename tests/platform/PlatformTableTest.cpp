// Platform identifiers, the name table and the display parameters.
#include <gtest/gtest.h>

#include "boot/MenuInterface.h"
#include "platform/DisplayLookup.h"
#include "platform/PlatformTable.h"
#include "platform/ProcessorFamily.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::DeviceFolder;

TEST(PlatformMatch, ScoresFieldByField) {
    struct Case {
        PlatformId probe, pattern;
        int score;
    } cases[] = {
        // Jornada 720 (European) against the SA1110 CPU row: 1 + four CPU fields.
        {{0x0c108000, 0x02c20203}, {0x0c108000, 0}, 5},
        // ... against the SA1100 row: the model differs.
        {{0x0c108000, 0x02c20203}, {0x0c104000, 0}, 0},
        // ... against "HP Jornada 7XX": the submodel is a wildcard.
        {{0x0c108000, 0x02c20203}, {0x0c108000, 0x02c20200}, 8},
        // The unidentified pair matches no row with a nonzero field...
        {{0, 0}, {0x0c000000, 0}, 0},
        {{0, 0}, {0, 0x01000000}, 0},
        // ... but the full wildcard.
        {{0, 0}, {0, 0}, 9},
        // Bits 7..0 of the CPU word take no part.
        {{0x0c1080FF, 0x02c20201}, {0x0c108000, 0x02c20201}, 9},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platformMatch(c.probe, c.pattern), c.score)
            << std::hex << c.probe.cpu << "/" << c.probe.machine << " vs " << c.pattern.cpu << "/"
            << c.pattern.machine;
    }
}

TEST(PlatformTable, FortyRowsNineteenSelectable) {
    int count = 0;
    platformNameTable(&count);
    EXPECT_EQ(count, 40);
    EXPECT_EQ(host::toUtf8(selectablePlatformName(0)), "Sharp W-ZERO3 (WS003SH)");
    EXPECT_EQ(host::toUtf8(selectablePlatformName(18)), "PSIONTEKLOGIX NETBOOK PRO");
    EXPECT_EQ(selectablePlatformName(19), nullptr);
    EXPECT_EQ(selectablePlatformName(-1), nullptr);
}

TEST(PlatformTable, SelectableRowsInTableOrder) {
    struct Row {
        uint32_t cpu, machine;
        const char* name;
    } rows[] = {
        {0x0c208000, 0x01040100, "Sharp W-ZERO3 (WS003SH)"},
        {0x0c208000, 0x01040200, "Sharp W-ZERO3 (WS004SH)"},
        {0x0c208000, 0x01040300, "Sharp W-ZERO3[es] (WS007SH)"},
        {0x0c208000, 0x01040400, "Sharp Advanced/W-ZERO3[es] (WS011SH)"},
        {0x0c208000, 0x01040500, "Sharp WILLCOM 03 (WS020SH)"},
        {0x0c108000, 0x01c40101, "Compaq iPAQ H3100"},
        {0x0c108000, 0x01c40201, "Compaq iPAQ H3600"},
        {0x0c108000, 0x01c40202, "Compaq iPAQ H3660"},
        {0x0c204000, 0x01c40301, "Compaq iPAQ H3900"},
        {0x0c108000, 0x02c20201, "HP Jornada 720 (US/UK)"},
        {0x0c108000, 0x02c20202, "HP Jornada 720 (Japanese)"},
        {0x0c108000, 0x02c20203, "HP Jornada 720 (European)"},
        {0x0c108000, 0x02c20204, "HP Jornada 720 (German)"},
        {0x0c108000, 0x02c20205, "HP Jornada 720 (French)"},
        {0x0c108000, 0x02c20206, "HP Jornada 720 (Scandinavian)"},
        {0x0c108000, 0x02c20207, "HP Jornada 720 (Spanish)"},
        {0x0c104000, 0x02c20301, "HP Jornada 820"},
        {0x0c104000, 0x02c20302, "HP Jornada 820 (Japanese)"},
        {0x0c204000, 0x04010100, "PSIONTEKLOGIX NETBOOK PRO"},
    };
    for (int i = 0; i < 19; ++i) {
        PlatformId id{};
        ASSERT_TRUE(selectablePlatform(i, id)) << i;
        EXPECT_EQ(id.cpu, rows[i].cpu) << i;
        EXPECT_EQ(id.machine, rows[i].machine) << i;
        EXPECT_EQ(host::toUtf8(selectablePlatformName(i)), rows[i].name) << i;
        EXPECT_EQ(selectablePlatformIndex(id), i);
    }
    // The unidentified pair matches no row that has a nonzero field.
    int count = 0;
    const PlatformName* table = platformNameTable(&count);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(platformMatch({0, 0}, *table[i].id), 0) << host::toUtf8(table[i].name);
}

TEST(PlatformTable, SelectionThroughTheSettings) {
    DeviceFolder device;
    MenuInterface* menu = MenuInterface::instance();
    // The defaults (0, 0) show the first selectable row.
    EXPECT_EQ(menu->platformIndex(), 0);
    menu->selectPlatform(9);  // "HP Jornada 720 (US/UK)"
    EXPECT_EQ(host::toUtf8(menu->platformName(9)), "HP Jornada 720 (US/UK)");
    EXPECT_EQ(menu->settings().cpuId, 0x0c108000u);
    EXPECT_EQ(menu->settings().machineId, 0x02c20201u);
    EXPECT_EQ(menu->platformIndex(), 9);
    menu->selectPlatform(19);  // past the last: nothing changes
    EXPECT_EQ(menu->platformIndex(), 9);
}

TEST(DisplayLookup, RowsAndTheScreenItself) {
    struct Case {
        const char* profile;
        const char* extra;
        uint32_t cpu, machine;
        uint32_t depth, width, height, lineBytes, framebuffer;
    } cases[] = {
        // Every Jornada 7XX submodel takes the one 7XX row.
        {"jornada720", "", 0x0c108000, 0x02c20207, 16, 640, 240, 1280, 0x48200000},
        // A Jornada 820 at 16 bpp still takes its own 8-bit row, not the Japanese one.
        {"jornada720", "", 0x0c104000, 0x02c20301, 8, 640, 480, 0, 0},
        // No row for the W-ZERO3: the screen's own size and depth.
        {"wzero3", "", 0x0c208000, 0x01040100, 16, 480, 640, 0, 0},
        // The probe's pair (0, 0) matches nothing either.
        {"ipaq3900", "screen = 240x320x8", 0, 0, 8, 240, 320, 0, 0},
    };
    for (const Case& c : cases) {
        DeviceFolder device(c.profile, c.extra);
        DisplayLookup d(c.cpu, c.machine);
        EXPECT_EQ(d.depth(), c.depth) << c.profile;
        EXPECT_EQ(d.width(), c.width) << c.profile;
        EXPECT_EQ(d.height(), c.height) << c.profile;
        EXPECT_EQ(d.lineBytes(), c.lineBytes) << c.profile;
        EXPECT_EQ(d.framebuffer(), c.framebuffer) << c.profile;
    }
}

TEST(DisplayLookup, FramebufferType) {
    struct Case {
        int depth;
        int16_t plain, reversed;
    } cases[] = {{4, 10, 8}, {8, 3, 4}, {16, 5, 6}, {24, 2, 0}, {1, 2, 0}};
    for (const Case& c : cases) {
        DeviceFolder device("wzero3", "screen = 480x640x" + std::to_string(c.depth));
        DisplayLookup d(0x0c208000, 0x01040100);
        EXPECT_EQ(framebufferType(d, false), c.plain) << c.depth;
        EXPECT_EQ(framebufferType(d, true), c.reversed) << c.depth;
    }
}

}  // namespace

namespace {

// A pair that names no selectable row keeps the rows it does name: its zero
// fields are wildcards, and the first selectable row it matches is shown.
TEST(PlatformTable, IndexOfAPairThatNamesNoRow) {
    struct Case {
        PlatformId id;
        int index;
    } cases[] = {
        {{0, 0}, 0},                    // the defaults: the first row
        {{0x0c108000, 0}, 5},           // an SA-1110 without its machine: Compaq iPAQ H3100
        {{0x0c204000, 0}, 8},           // a PXA250: Compaq iPAQ H3900
        {{0x0c104000, 0}, 16},          // an SA-1100: HP Jornada 820
        {{0, 0x02c20200}, 9},           // any Jornada 7XX: the first of them
        {{0x0c108000, 0x02c20301}, 0},  // an SA-1110 Jornada 820 is no row at all
        {{0x0c208000, 0x01040300}, 2},  // exact rows keep their index
    };
    for (const Case& c : cases) {
        EXPECT_EQ(selectablePlatformIndex(c.id), c.index)
            << std::hex << c.id.cpu << " " << c.id.machine;
    }
}

TEST(ProcessorFamily, FromWhatGetSystemInfoSays) {
    struct Case {
        const char* what;
        ce::WORD architecture;
        ce::DWORD type;
        ce::WORD level;
        uint32_t family;
    } cases[] = {
        {"StrongARM, ARMv4", ce::PROCESSOR_ARCHITECTURE_ARM, ce::PROCESSOR_STRONGARM, 4,
         kFamilyStrongArm},
        {"XScale, ARMv5TE", ce::PROCESSOR_ARCHITECTURE_ARM, ce::PROCESSOR_STRONGARM, 5,
         kFamilyXScale},
        {"another ARM core", ce::PROCESSOR_ARCHITECTURE_ARM, ce::PROCESSOR_ARM720, 4, 0},
        {"a level we do not know", ce::PROCESSOR_ARCHITECTURE_ARM, ce::PROCESSOR_STRONGARM, 6, 0},
        {"not an ARM", 0, ce::PROCESSOR_STRONGARM, 4, 0},
    };
    for (const Case& c : cases) {
        ce::SYSTEM_INFO info{};
        info.wProcessorArchitecture = c.architecture;
        info.dwProcessorType = c.type;
        info.wProcessorLevel = c.level;
        EXPECT_EQ(processorFamily(info), c.family) << c.what;
    }
    EXPECT_TRUE(cpuInFamily(0x0c108000, kFamilyStrongArm));
    EXPECT_TRUE(cpuInFamily(0x0c104000, kFamilyStrongArm));
    EXPECT_FALSE(cpuInFamily(0x0c208000, kFamilyStrongArm));
    EXPECT_TRUE(cpuInFamily(0x0c204000, kFamilyXScale));
    EXPECT_FALSE(cpuInFamily(0, kFamilyXScale));
}

// The simulated handhelds report their own family.
TEST(ProcessorFamily, OfEachExampleHandheld) {
    const struct {
        const char* profile;
        uint32_t family;
    } cases[] = {
        {"jornada720", kFamilyStrongArm},
        {"ipaq3900", kFamilyXScale},
        {"wzero3", kFamilyXScale},
    };
    for (const auto& c : cases) {
        DeviceFolder device(c.profile);
        EXPECT_EQ(runningProcessorFamily(), c.family) << c.profile;
    }
}

}  // namespace
