// Platform identifiers, the name table and the display parameters.
#include <gtest/gtest.h>

#include "boot/MenuInterface.h"
#include "platform/DisplayLookup.h"
#include "platform/PlatformTable.h"
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
