// The ARM architectures on the simulated handhelds: the register dump with
// the emulated CPU's own CP15 values, init, the second-stage loader's page,
// and the diagnostics that write straight to the hardware.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "arch/arm/ARMArchitecture.h"
#include "arch/arm/PXA2X0Architecture.h"
#include "arch/arm/SA1100Architecture.h"
#include "arch/arm/SecondStageImages.h"
#include "machine/ArmCpu.h"
#include "machine/DeviceBus.h"
#include "machine/PhysicalMemory.h"
#include "memory/MemoryManager_LockPages.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;

std::string hex8(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", v);
    return text;
}

// One handheld with an architecture of its family and a LockPages memory
// manager of the given page size, printing into a capture console.
class Rig {
  public:
    explicit Rig(const std::string& profile, const std::string& extra = "",
                 uint32_t pageSize = 4096)
        : device(profile, extra) {
        if (profile == "jornada720") {
            arch = std::make_unique<SA1100Architecture>(console, memory);
        } else {
            arch = std::make_unique<PXA2X0Architecture>(console, memory);
        }
        manager = std::make_unique<MemoryManager_LockPages>(
            arch->findLockPages(), arch->findUnlockPages(), console, pageSize, 0);
        memory = manager.get();
    }
    ~Rig() {
        arch.reset();
        memory = nullptr;
        manager.reset();
    }
    std::string text() const { return capture.utf8(); }
    host::ArmCpu& cpu() { return device.machine().component<host::ArmCpu>(); }
    host::DeviceBus& bus() { return device.machine().component<host::DeviceBus>(); }
    host::PhysicalMemory& ram() { return device.machine().component<host::PhysicalMemory>(); }

    DeviceFolder device;
    CaptureConsole capture;
    Console* console = &capture;
    MemoryManager* memory = nullptr;
    std::unique_ptr<MemoryManager> manager;
    std::unique_ptr<ARMArchitecture> arch;
};

const char* const kProfiles[] = {"jornada720", "ipaq3900", "wzero3"};

TEST(RegisterDump, ShowsTheCpuOwnRegistersInSystemMode) {
    for (const char* profile : kProfiles) {
        Rig rig(profile);
        rig.arch->systemInfo();
        std::string out = rig.text();
        host::ArmCpu& cpu = rig.cpu();
        EXPECT_NE(out.find("Reg0 :" + hex8(cpu.cp15(0)) + "\n"), std::string::npos) << out;
        EXPECT_NE(out.find("Reg1 :" + hex8(cpu.cp15(1)) + "\n"), std::string::npos) << out;
        EXPECT_NE(out.find("Reg2 :" + hex8(cpu.translationTable())), std::string::npos) << out;
        EXPECT_NE(out.find("Reg13:00000000\n"), std::string::npos) << out;
        // One line per register, in register-number order, CPSR last.
        size_t previous = 0;
        for (const char* label : {"Reg0 :", "Reg1 :", "Reg2 :", "Reg3 :", "Reg5 :", "Reg6 :",
                                  "Reg13:", "Reg14:", "CPSR :"}) {
            size_t at = out.find(std::string("\n") + label);
            EXPECT_NE(at, std::string::npos) << label;
            EXPECT_GE(at, previous) << label << " out of order";
            previous = at;
        }
        // System mode with IRQ and FIQ masked while the dump runs.
        size_t cpsr = out.find("CPSR :");
        ASSERT_NE(cpsr, std::string::npos);
        EXPECT_EQ(std::stoul(out.substr(cpsr + 6, 8), nullptr, 16) & 0xDF, 0xDFu) << out;
        EXPECT_EQ(out.find("can't change"), std::string::npos);
        // Afterwards the thread is back in User mode with interrupts enabled.
        EXPECT_EQ(cpu.cpsr() & 0xDF, 0x10u);
        EXPECT_TRUE(cpu.lastFault().empty()) << cpu.lastFault();
    }
}

TEST(RegisterDump, WithoutSystemModeSaysSoAndReadsNothing) {
    Rig rig("wzero3", "kernel_mode = refused");
    rig.arch->systemInfo();
    std::string out = rig.text();
    EXPECT_NE(out.find("can't change to System mode\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("Reg0"), std::string::npos) << out;
    EXPECT_TRUE(rig.cpu().lastFault().empty()) << "no privileged read was tried";
}

TEST(Init, RegistersTheFamilysRegionsAndCacheSize) {
    struct Row {
        const char* profile;
        const char* lines;
    };
    const Row rows[] = {
        {"jornada720",
         "[0] 0xc0000000 size 0x08000000\n[1] 0xc8000000 size 0x08000000\n"
         "[2] 0xd0000000 size 0x08000000\n[3] 0xd8000000 size 0x08000000\n"
         "D-cache size = 8192\n"},
        {"wzero3",
         "[0] 0xa0000000 size 0x04000000\n[1] 0xa4000000 size 0x04000000\n"
         "[2] 0xa8000000 size 0x04000000\n[3] 0xac000000 size 0x04000000\n"
         "D-cache size = 65536\n"},
    };
    for (const Row& row : rows) {
        Rig rig(row.profile);
        ASSERT_TRUE(rig.arch->init());
        EXPECT_NE(rig.text().find(row.lines), std::string::npos) << rig.text();
        EXPECT_EQ(rig.memory->regionCount(), 4);
    }
}

TEST(SetupLoader, CopiesTheImageIntoTheLastPage) {
    struct Row {
        const char* profile;
        const uint8_t* image;
        uint32_t size;
    };
    const Row rows[] = {{"jornada720", kSecondStageSa11x0, kSecondStageSa11x0Size},
                        {"ipaq3900", kSecondStagePxa2x0, kSecondStagePxa2x0Size}};
    for (const Row& row : rows) {
        Rig rig(row.profile);
        ASSERT_TRUE(rig.arch->init());
        ASSERT_TRUE(rig.memory->reservePages(0x10000, false));
        const MemoryManager::PageEntry last =
            rig.memory->pageTable()[rig.memory->mappedCount() - 1];
        ASSERT_TRUE(rig.arch->setupLoader());
        char line[96];
        std::snprintf(line, sizeof line, "2nd bootloader vaddr=0x%08x paddr=0x%08x\n",
                      last.virtualAddress, last.physicalAddress);
        EXPECT_NE(rig.text().find(line), std::string::npos) << rig.text();
        EXPECT_NE(rig.text().find("2nd bootloader copy done.\n"), std::string::npos);
        EXPECT_EQ(std::memcmp(rig.ram().ram(last.physicalAddress, row.size), row.image, row.size),
                  0);
    }
}

TEST(SetupLoader, RefusesAPageSmallerThanTheImage) {
    Rig rig("jornada720", "", 256);
    EXPECT_FALSE(rig.arch->setupLoader());
    EXPECT_NE(rig.text().find("2nd bootloader size(424byte) is larger than page size(256).\n"),
              std::string::npos)
        << rig.text();
}

TEST(Diagnostics, HelloWorldGoesStraightToTheUart) {
    for (const char* profile : kProfiles) {
        Rig rig(profile);
        rig.arch->testSerialPort();
        EXPECT_EQ(rig.bus().uartOutput(), "Hello World\r\n") << profile;
    }
}

TEST(Diagnostics, UnmappableUartIsGivenUp) {
    Rig rig("jornada720", "refuse_physical = 0x80050000");
    rig.arch->testSerialPort();
    EXPECT_EQ(rig.bus().uartOutput(), "");
    EXPECT_NE(rig.text().find("can't map physical address 0x80050000\n"), std::string::npos);
}

TEST(Diagnostics, FrameBufferTestPattern) {
    Rig rig("jornada720");
    rig.arch->testFrameBuffer();
    uint32_t frame = rig.bus().frameBuffer();
    ASSERT_NE(frame, 0u);
    const uint8_t* pixels = rig.ram().ram(frame + 512, 640 * 480);
    EXPECT_EQ(pixels[7 * 640 + 9], 63);  // x * y
    EXPECT_EQ(pixels[479 * 640 + 639], uint8_t(639 * 479));
    EXPECT_EQ(pixels[120 * 640 + 120], 3);  // the inner rectangle
    EXPECT_EQ(pixels[359 * 640 + 519], 3);
    EXPECT_EQ(pixels[360 * 640 + 519], uint8_t(519 * 360));

    Rig pxa("ipaq3900");
    pxa.arch->testFrameBuffer();
    EXPECT_EQ(pxa.text().find("No framebuffer test yet.\n") != std::string::npos, true);
}

TEST(Diagnostics, DumpRomWritesWholePages) {
    Rig rig("wzero3");
    static_cast<PXA2X0Architecture&>(*rig.arch).dumpROM(5000);
    std::error_code ec;
    auto size = std::filesystem::file_size(rig.device.root() / "rom.bin", ec);
    EXPECT_FALSE(ec) << ec.message();
    EXPECT_EQ(size, 8192u);
}

}  // namespace
