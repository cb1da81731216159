// The architecture base: coredll lookups, the memory reservation, the
// system probe, and the boot-arguments page with the kernel's arguments and
// BootInfo.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "arch/Architecture.h"
#include "boot/ArgumentPageWriter.h"
#include "boot/BootInfo.h"
#include "boot/KernelArguments.h"
#include "boot/MenuInterface.h"
#include "ce/CoreDll.h"
#include "loader/Loader.h"
#include "machine/AddressSpace.h"
#include "machine/PhysicalMemory.h"
#include "memory/MemoryManager_LockPages.h"
#include "platform/DisplayLookup.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;

constexpr uint32_t kPage = 4096;

class BareArchitecture : public Architecture {
  public:
    using Architecture::Architecture;
    bool init() override { return true; }
    bool setupLoader() override { return true; }
    void jumpTo(uint32_t, uint32_t) override {}
    uint32_t bootArgumentsPage() const { return bootArgsPage; }
};

class EntryOnly : public Loader {
  public:
    using Loader::Loader;
    uint32_t memorySize() override { return 0; }
    bool load() override { return true; }
    uint32_t jumpAddr() override { return 0xC0200000; }
};

void setText(char16_t* field, const std::u16string& text) {
    std::memcpy(field, text.c_str(), (text.size() + 1) * sizeof(char16_t));
}

class ArchitectureTest : public ::testing::Test {
  protected:
    explicit ArchitectureTest(const std::string& profile = "jornada720",
                              const std::string& extra = "")
        : device(profile, extra) {
        memoryManager = new MemoryManager_LockPages(&host::lockPages, &host::unlockPages,
                                                    consolePointer, kPage, 0);
        architecture = std::make_unique<BareArchitecture>(consolePointer, memoryManager);
        console.text.clear();
    }
    ~ArchitectureTest() override {
        architecture.reset();
        delete memoryManager;
    }
    BootSettings& settings() { return MenuInterface::instance()->settings(); }
    std::vector<host::MessageBoxRecord>& boxes() { return device.machine().messageBoxes(); }

    // A boot-arguments page for the current settings: its bytes and address.
    std::string bootPage(uint32_t& physical) {
        EXPECT_TRUE(architecture->allocateMemory(0));
        MemoryManager* none = memoryManager;
        EntryOnly loader(consolePointer, none);
        console.text.clear();
        const BootSettings& s = settings();
        ArgumentPageWriter writer(consolePointer, s, s.kernelName, s.imageName,
                                  MenuInterface::instance());
        physical = architecture->setupBootInfo(loader, writer);
        const char* page =
            reinterpret_cast<const char*>(uintptr_t(architecture->bootArgumentsPage()));
        return std::string(page, kPage);
    }
    uint32_t word(const std::string& page, uint32_t offset) {
        uint32_t w;
        std::memcpy(&w, page.data() + offset, 4);
        return w;
    }
    std::vector<std::string> arguments(const std::string& page, uint32_t physical) {
        std::vector<std::string> out;
        for (uint32_t i = 0; i < word(page, 4); ++i)
            out.push_back(page.c_str() + (word(page, 52 + 4 * i) - physical));
        return out;
    }

    DeviceFolder device;
    CaptureConsole console;
    Console* consolePointer = &console;
    MemoryManager* memoryManager = nullptr;
    std::unique_ptr<BareArchitecture> architecture;
};

TEST_F(ArchitectureTest, AllocateMemoryAddsFourPagesAndRoundsTo64K) {
    struct Row {
        uint32_t bytes;
        uint32_t reserved;
    } rows[] = {
        {0, 0x10000},        // the four spare pages alone, rounded
        {4080, 0x10000},     // one payload page + 4
        {4081, 0x10000},     // two payload pages + 4 = 24576, rounded
        {1048576, 1114112},  // 258 + 4 pages = 1073152, rounded
        {0xFFFFFFFF, 0},     // more than the address space: refused
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.bytes);
        console.text.clear();
        EXPECT_EQ(architecture->allocateMemory(r.bytes), r.reserved != 0);
        if (r.reserved) {
            EXPECT_EQ(console.utf8().substr(0, console.utf8().find('.')),
                      "address translation table " + std::to_string(r.reserved / kPage) + " pages");
        } else {
            EXPECT_NE(console.utf8().find("can't allocate memory\n"), std::string::npos);
        }
    }
}

TEST_F(ArchitectureTest, CoreDllIsLoadedOnceForAllLookups) {
    int before = device.machine().counters()["LoadLibraryW"];
    EXPECT_EQ(architecture->findUnlockPages(),
              reinterpret_cast<ce::UnlockPagesProc>(&host::unlockPages));
    EXPECT_EQ(architecture->findLockPages(), reinterpret_cast<ce::LockPagesProc>(&host::lockPages));
    EXPECT_EQ(architecture->findCoreDllProc(u"NoSuchFunction"), nullptr);
    EXPECT_EQ(device.machine().counters()["LoadLibraryW"] - before, 1);
    EXPECT_TRUE(boxes().empty());
}

class MissingCoreDllTest : public ArchitectureTest {
  protected:
    MissingCoreDllTest() : ArchitectureTest("jornada720", "coredll = missing") {}
};

TEST_F(MissingCoreDllTest, EveryLookupWarnsAndFindsNothing) {
    EXPECT_EQ(architecture->findLockPages(), nullptr);
    EXPECT_EQ(architecture->findUnlockPages(), nullptr);
    ASSERT_EQ(boxes().size(), 2u);
    for (const auto& box : boxes()) {
        EXPECT_EQ(box.caption, u"WARNING");
        EXPECT_EQ(box.text, u"Can't load coredll.dll.");
        EXPECT_EQ(box.flags, 0x30u);
    }
}

TEST_F(ArchitectureTest, SystemProbeLines) {
    architecture->systemInfo();
    EXPECT_EQ(console.utf8(),
              "_WIN32_WCE = 211\n"
              "GetVersionEx\n"
              "Windows CE 3.0\n"
              "GetSystemInfo:\n"
              "wProcessorArchitecture      0x5\n"
              "wProcessorLevel             0x4\n"
              "wProcessorRevision          0xb\n"
              "dwPageSize                  0x1000\n"
              "dwAllocationGranularity     0x00010000\n"
              "dwProcessorType             0xa11\n"
              "Display: 640x240 16bpp\n");
}

class NoGetVersionExTest : public ArchitectureTest {
  protected:
    NoGetVersionExTest() : ArchitectureTest("wzero3", "missing_exports = GetVersionEx") {}
};

TEST_F(NoGetVersionExTest, ProbeFallsBackToTheImportedCall) {
    architecture->systemInfo();
    std::string out = console.utf8();
    EXPECT_NE(out.find("GetVersionExW\nWindows CE 5.1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Display: 480x640 16bpp\n"), std::string::npos);
}

TEST_F(ArchitectureTest, ArgumentsArePackedBehindTheVector) {
    setText(settings().kernelName, u"keldos.gz");
    settings().serialConsole = settings().verbose = settings().singleUser = 1;
    settings().askName = settings().kernelDebugger = 1;
    settings().rootDevice = kRootSd;
    settings().extraOptions[0] = 0;
    uint32_t physical = 0;
    std::string page = bootPage(physical);
    ASSERT_NE(physical, kNotFound);
    EXPECT_EQ(word(page, 0), 0xC0200000u) << "entry";
    EXPECT_EQ(word(page, 4), 7u) << "argc";
    EXPECT_EQ(word(page, 8), physical + 52) << "argv";
    EXPECT_EQ(word(page, 12), physical + 16) << "bootinfo";
    struct Row {
        uint32_t offset;
        const char* text;
    } rows[] = {{116, "keldos.gz"}, {126, "h"}, {128, "v"},    {130, "s"},
                {132, "a"},         {134, "d"}, {136, "b=sd0"}};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(word(page, 52 + 4 * i), physical + rows[i].offset);
        EXPECT_STREQ(page.c_str() + rows[i].offset, rows[i].text);
    }
    EXPECT_EQ(word(page, 52 + 4 * 7), 0u) << "slots past argc stay clear";
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ArchitectureTest, RootArgumentByDevice) {
    setText(settings().kernelName, u"keldos");
    setText(settings().imageName, u"miniroot.fs");
    struct Row {
        uint32_t device;
        std::vector<std::string> args;
    } rows[] = {
        {kRootWd, {"keldos"}},  // the kernel's own default: nothing
        {kRootSd, {"keldos", "b=sd0"}},
        {kRootMd, {"keldos", "m=miniroot.fs"}},  // the memory disk names its image
        {kRootNfs, {"keldos", "b=nfs"}},
        {kRootDk, {"keldos", "b=dk0"}},
        {kRootLd, {"keldos", "b=ld0"}},
    };
    for (const Row& r : rows) {
        settings().rootDevice = r.device;
        uint32_t physical = 0;
        std::string page = bootPage(physical);
        EXPECT_EQ(arguments(page, physical), r.args) << r.device;
    }
}

TEST_F(ArchitectureTest, ExtraOptionsSplitAtBlanksAndTabs) {
    setText(settings().kernelName, u"keldos");
    settings().rootDevice = kRootWd;
    struct Row {
        std::u16string options;
        std::vector<std::string> args;
    } rows[] = {
        {u"  -x\tfoo   bar ", {"keldos", "-x", "foo", "bar"}},  // blanks and tabs around
        {u"", {"keldos"}},                                      // nothing added, no box
        {u" \t ", {"keldos"}},                                  // blanks only
    };
    for (const Row& r : rows) {
        setText(settings().extraOptions, r.options);
        uint32_t physical = 0;
        std::string page = bootPage(physical);
        EXPECT_EQ(arguments(page, physical), r.args);
    }
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ArchitectureTest, TheTenthExtraOptionIsOneTooMany) {
    setText(settings().kernelName, u"keldos.gz");
    settings().serialConsole = settings().verbose = settings().singleUser = 1;
    settings().askName = settings().kernelDebugger = 1;
    settings().rootDevice = kRootSd;
    setText(settings().extraOptions, u"o1 o2 o3 o4 o5 o6 o7 o8 o9 o10 o11");
    uint32_t physical = 0;
    std::string page = bootPage(physical);
    EXPECT_EQ(word(page, 4), 16u);
    EXPECT_EQ(arguments(page, physical).back(), "o9");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].caption, u"WARNING");
    EXPECT_EQ(boxes()[0].text, u"Too many extra kernel options.");
    EXPECT_EQ(boxes()[0].flags, 0x30u);
}

TEST(KernelArgumentsBudget, AnOptionMustEndWithinTheBudget) {
    DeviceFolder device;
    BootSettings& settings = MenuInterface::instance()->settings();
    setText(settings.kernelName, u"k");
    settings.rootDevice = kRootWd;
    setText(settings.extraOptions, u"abc defg");
    struct Row {
        uint32_t budget;
        uint32_t argc;
    } rows[] = {
        {64 + 2 + 4 + 5, 3},  // "k", "abc" and "defg" end exactly at the budget
        {64 + 2 + 4 + 4, 2},  // one byte short: "defg" is dropped with the warning
    };
    for (const Row& r : rows) {
        uint32_t vector[64] = {};
        device.machine().messageBoxes().clear();
        EXPECT_EQ(KernelArguments(vector, 0xC0800034, r.budget, MenuInterface::instance())
                      .build(settings, settings.kernelName, settings.imageName),
                  r.argc);
        EXPECT_EQ(device.machine().messageBoxes().size(), r.argc == 3 ? 0u : 1u);
        EXPECT_STREQ(reinterpret_cast<const char*>(vector) + 64, "k");
        EXPECT_EQ(vector[1], 0xC0800034u + 66);
    }
}

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

TEST_F(ArchitectureTest, WithoutAPageThereAreNoBootArguments) {
    ASSERT_TRUE(architecture->allocateMemory(0));
    uint32_t v = 0, p = 0;
    while (memoryManager->takeLastPage(v, p)) {
    }
    MemoryManager* none = memoryManager;
    EntryOnly loader(consolePointer, none);
    console.text.clear();
    const BootSettings& s = settings();
    ArgumentPageWriter writer(consolePointer, s, s.kernelName, s.imageName, nullptr);
    EXPECT_EQ(architecture->setupBootInfo(loader, writer), kNotFound);
    EXPECT_EQ(console.utf8(), "can't get page for boot arguments.\n");
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
