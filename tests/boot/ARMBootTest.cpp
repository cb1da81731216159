// The ARM Boot object: which family a platform is, which components it
// gets, the UART console and its fallback, and whole boots in process
// (the jump handler keeps the run going so the test can look).
#include <gtest/gtest.h>

#include <filesystem>

#include "arch/arm/ARMSerialConsole.h"
#include "arch/arm/PXA2X0Architecture.h"
#include "arch/arm/PXA2X0SerialConsole.h"
#include "arch/arm/SA1100Architecture.h"
#include "boot/ARMBoot.h"
#include "boot/MenuInterface.h"
#include "file/FileManager.h"
#include "machine/ArmCpu.h"
#include "machine/Com1.h"
#include "machine/DeviceBus.h"
#include "platform/ce/CeText.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;

const std::string kKernels = std::string(KESTREL_BINARY_DIR) + "/kernels/";

// A handheld whose process-wide console is a capture console, with the
// settings a test chooses and the demo kernel on its card.
class Handheld {
  public:
    Handheld(const std::string& profile, uint32_t cpu, uint32_t machine,
             const std::string& extra = "")
        : device(profile, "com1 = stdout\n" + extra) {
        Console::changeConsole(&capture);
        BootSettings& s = MenuInterface::instance()->settings();
        s.cpuId = cpu;
        s.machineId = machine;
        ce::wcscpy(s.directory, TEXT("\\Storage Card\\"));
        ce::wcscpy(s.kernelName, TEXT("keldos.gz"));
        s.pauseBeforeBoot = 0;
        bool pxa = (cpu & 0xFFF00000) == 0x0C200000;
        std::filesystem::copy_file(kKernels + (pxa ? "demo-pxa2x0.elf.gz" : "demo-sa11x0.elf.gz"),
                                   device.card() / "keldos.gz");
        host::ArmCpu::setJumpHandler([this](const host::ArmCpu::JumpOutcome& o) { outcome = o; });
    }
    ~Handheld() {
        host::ArmCpu::setJumpHandler(nullptr);
        Boot::destroyInstance();
        Console::changeConsole(nullptr);
    }
    BootSettings& settings() { return MenuInterface::instance()->settings(); }
    ARMBoot& boot() { return static_cast<ARMBoot&>(*Boot::instance()); }
    std::string uart() { return device.machine().component<host::DeviceBus>().uartOutput(); }
    void press() { Boot::instance(), MenuInterface::instance()->boot(); }

    DeviceFolder device;
    CaptureConsole capture;
    host::ArmCpu::JumpOutcome outcome;
};

TEST(ARMBootRequest, RecognisesTheFamilies) {
    struct Row {
        uint32_t cpu, machine;
        bool supported;
        uint32_t kind;
    };
    const Row rows[] = {
        {0x0c104000, 0x02c20301, true, 0x0c104000},  // SA1100
        {0x0c108000, 0x02c20201, true, 0x0c104000},  // SA1110 counts as SA-11x0
        {0x0c204000, 0x01c40301, true, 0x0c204000},  // PXA250
        {0x0c208000, 0x01040100, true, 0x0c208000},  // PXA270
        {0, 0x01040000, false, 0},                   // a machine-only row
        {0x0c300000, 0, false, 0},                   // an unknown family
    };
    for (const Row& row : rows) {
        Handheld h("jornada720", row.cpu, row.machine);
        EXPECT_EQ(h.boot().setupRequest(), row.supported) << std::hex << row.cpu;
        if (row.supported) {
            EXPECT_EQ(h.boot().cpuKind, row.kind);
            EXPECT_EQ(h.boot().memoryMethod, 1u);
        }
    }
}

TEST(BootRequest, FileKindAndImageFromTheSettings) {
    struct Row {
        const char16_t* directory;
        uint32_t rootDevice;
        uint32_t fileKind;
        uint32_t loadImage;
        const char* imageName;  // what the request holds afterwards
    };
    const Row rows[] = {
        // "http://" anywhere wins over the "/" it contains.
        {u"\\Storage Card\\http://host/", kRootWd, FileManager::kHttp, 0, ""},
        {u"2:/", kRootMd, FileManager::kUfs, 1, "mini.fs"},  // md copies the image name
        {u"/", kRootSd, FileManager::kUfs, 0, ""},
        {u"\\Storage Card\\", kRootWd, FileManager::kLocal, 0, ""},
        // The prefix is case-sensitive: upper case is a UFS path for its "/".
        {u"HTTP://host/", kRootWd, FileManager::kUfs, 0, ""},
    };
    for (const Row& row : rows) {
        Handheld h("jornada720", 0x0c108000, 0x02c20201);
        ce::wcscpy(h.settings().directory, row.directory);
        ce::wcscpy(h.settings().imageName, TEXT("mini.fs"));
        h.settings().rootDevice = row.rootDevice;
        ASSERT_TRUE(h.boot().setupRequest());
        SCOPED_TRACE(host::toUtf8(row.directory));
        EXPECT_EQ(h.boot().fileKind, row.fileKind);
        EXPECT_EQ(h.boot().loadImage, row.loadImage);
        EXPECT_EQ(host::toUtf8(h.boot().imageName), row.imageName);
        EXPECT_EQ(host::toUtf8(h.boot().directory), host::toUtf8(row.directory));
    }
}

TEST(ARMBootComponents, ArchitectureByFamily) {
    Handheld sa("jornada720", 0x0c108000, 0x02c20201);
    ASSERT_TRUE(sa.boot().setupRequest());
    ASSERT_TRUE(sa.boot().createComponents()) << sa.capture.utf8();
    EXPECT_NE(dynamic_cast<SA1100Architecture*>(sa.boot().architecture), nullptr);
    EXPECT_NE(sa.capture.utf8().find("ARM architecture.\nSA-11x0 CPU.\n"), std::string::npos);
    EXPECT_NE(sa.boot().memoryManager, nullptr);
    EXPECT_NE(sa.boot().fileManager, nullptr);
}

TEST(ARMBootComponents, MissingLockPagesIsSaid) {
    Handheld h("wzero3", 0x0c208000, 0x01040100, "missing_exports = LockPages");
    ASSERT_TRUE(h.boot().setupRequest());
    EXPECT_FALSE(h.boot().createComponents());
    EXPECT_NE(h.capture.utf8().find("couldn't find LockPages/UnlockPages.\n"), std::string::npos);
}

TEST(SerialConsoleChoice, UnmappableUartFallsBackToTheWindowConsole) {
    Handheld h("wzero3", 0x0c208000, 0x01040100, "refuse_physical = 0x40100000");
    h.settings().serialConsole = 1;
    h.press();
    EXPECT_NE(h.capture.utf8().find("use LCD console instead.\n"), std::string::npos);
    ASSERT_TRUE(h.outcome.halted) << h.outcome.reason << h.capture.utf8();
    EXPECT_NE(h.uart().find("kernel: console=1"), std::string::npos) << h.uart();
    EXPECT_NE(h.uart().find("kernel: argv[1]=h"), std::string::npos) << h.uart();
}

TEST(SerialConsoleChoice, InstalledUartConsoleOutlivesTheSetting) {
    Handheld h("jornada720", 0x0c108000, 0x02c20201);
    h.settings().serialConsole = 1;
    ce::wcscpy(h.settings().kernelName, TEXT("missing.gz"));
    h.press();  // fails at step 4, after installing the UART console
    EXPECT_NE(h.uart().find("[progress] 4"), std::string::npos) << h.uart();
    EXPECT_FALSE(h.outcome.entered);

    h.settings().serialConsole = 0;
    ce::wcscpy(h.settings().kernelName, TEXT("keldos.gz"));
    h.press();
    ASSERT_TRUE(h.outcome.halted) << h.outcome.reason;
    EXPECT_NE(h.uart().find("kernel: console=2"), std::string::npos) << h.uart();
    EXPECT_NE(h.uart().find("kernel: argc=1"), std::string::npos);
}

TEST(WholeBoot, EntersTheDemoKernelInProcess) {
    Handheld h("ipaq3900", 0x0c204000, 0x01c40301);
    h.settings().serialSpeed = 38400;
    h.press();
    ASSERT_TRUE(h.outcome.entered) << h.outcome.reason << "\n" << h.capture.utf8();
    EXPECT_TRUE(h.outcome.halted) << h.outcome.reason;
    EXPECT_EQ(h.outcome.entry, 0xA0200000u);
    // The kernel's registers as the second-stage loader left them.
    EXPECT_EQ(h.outcome.entryRegs[0], 1u);
    EXPECT_EQ(h.outcome.entryCpsr & 0xDF, 0xDFu);
    EXPECT_EQ(h.outcome.entrySp & 0xFFF, 0u);
    EXPECT_NE(h.uart().find("kernel: argv[0]=keldos.gz"), std::string::npos) << h.uart();
    // COM1 got the banner and nothing else, at the configured speed.
    host::Com1& com1 = h.device.machine().component<host::Com1>();
    EXPECT_EQ(com1.received(), std::string("\r\n--------KESTREL--------\r\n\0", 28));
    EXPECT_EQ(com1.dcb().BaudRate, 38400u);
}

}  // namespace
