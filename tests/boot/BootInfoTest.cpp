// The BootInfo record on the boot-arguments page: the display, the console
// kind, the processor and machine, and the time zone.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "boot/BootInfo.h"
#include "boot/MenuInterface.h"
#include "machine/PhysicalMemory.h"
#include "platform/DisplayLookup.h"
#include "support/ArchitectureTest.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::ArchitectureTest;
using testing_support::BareArchitecture;
using testing_support::CaptureConsole;
using testing_support::DeviceFolder;
using testing_support::EntryOnly;

constexpr uint32_t kPage = 4096;

TEST_F(ArchitectureTest, BootInfoRecordAndItsLines) {
    settings().cpuId = 0x0c108000;
    settings().machineId = 0x02c20201;
    uint32_t physical = 0;
    std::string page = bootPage(physical);
    const unsigned char first[8] = {0x24, 0, 0, 0, 0x35, 0x61, 0x53, 0x13};
    EXPECT_EQ(std::memcmp(page.data() + 16, first, 8), 0);
    BootInfo info;
    std::memcpy(&info, page.data() + 16, sizeof(info));
    DisplayLookup display(0x0c108000, 0x02c20201);
    EXPECT_EQ(info.framebuffer, display.framebuffer());
    EXPECT_EQ(info.width, int16_t(display.width()));
    EXPECT_EQ(info.type, framebufferType(display, false));
    EXPECT_EQ(info.console, 1) << "the window console";
    EXPECT_EQ(info.cpuId, 0x0c108000u);
    EXPECT_EQ(info.machineId, 0x02c20201u);
    char lines[160];
    std::snprintf(lines, sizeof(lines),
                  "framebuffer: %dx%d type=%d linebytes=%d addr=0x%08x\nconsole = 1\n", info.width,
                  info.height, info.type, info.lineBytes, info.framebuffer);
    EXPECT_EQ(console.utf8(), lines);
    for (uint32_t i = kPage - 16; i < kPage; ++i)
        EXPECT_EQ(page[i], 0) << "the last 16 bytes";
}

TEST(BootInfoTimeZone, DaylightBiasOnlyInDaylightTime) {
    struct Row {
        const char* profile;
        const char* extra;
        int32_t minutes;
    } rows[] = {
        {"jornada720", "", -60},                  // GMT with daylight on: 0 + (-60)
        {"ipaq3900", "", 300},                    // Eastern, standard time: the bias alone
        {"jornada720", "timezone.bias = 60", 0},  // 60 + (-60)
        {"jornada720", "timezone.daylight = no\ntimezone.standard_bias = 30", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.extra);
        DeviceFolder device(r.profile, r.extra);
        BootInfo info{};
        fillBootInfo(MenuInterface::instance()->settings(), info);
        EXPECT_EQ(info.timeZone, r.minutes);
    }
}

TEST(BootInfoConsole, SerialConsoleKindGoesIntoTheRecord) {
    DeviceFolder device;
    CaptureConsole serial(Console::kSerial);
    Console* consolePointer = &serial;
    MemoryManager* memoryManager =
        new MemoryManager_LockPages(&host::lockPages, &host::unlockPages, consolePointer, kPage, 0);
    BareArchitecture architecture(consolePointer, memoryManager);
    ASSERT_TRUE(architecture.allocateMemory(0));
    EntryOnly loader(consolePointer, memoryManager);
    const BootSettings& s = MenuInterface::instance()->settings();
    ArgumentPageWriter writer(consolePointer, s, s.kernelName, s.imageName, nullptr);
    uint32_t physical = architecture.setupBootInfo(loader, writer);
    BootInfo info;
    std::memcpy(&info, device.machine().component<host::PhysicalMemory>().ram(physical + 16, 36),
                36);
    EXPECT_EQ(info.console, 2);
    delete memoryManager;
}

}  // namespace
