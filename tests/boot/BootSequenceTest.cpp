// The boot procedure against fakes of its components: the eleven steps, the
// failure message of every step, which failures close the open file, the
// image sizing, the last question and the jump's arguments.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "arch/Architecture.h"
#include "boot/Boot.h"
#include "boot/BootSequence.h"
#include "boot/MenuInterface.h"
#include "file/FileManager.h"
#include "loader/Loader.h"
#include "memory/MemoryManager_LockPages.h"
#include "platform/ce/Ce.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;

const std::string kKernelPath = KESTREL_BINARY_DIR "/kernels/kernel.elf";

// Files held in memory; each operation can be made to fail.
class FakeFiles : public FileManager {
  public:
    explicit FakeFiles(Console*& console) : FileManager(console) {}
    bool setRoot(const ce::WCHAR* directory) override {
        root = directory;
        return rootOk;
    }
    bool open(const ce::WCHAR* name, uint32_t) override {
        ++opens;
        std::u16string n(name);
        if (failOpenAt == opens)
            return false;
        auto it = files.find(n);
        if (it == files.end())
            return false;
        current = &it->second;
        position = 0;
        isOpen = true;
        return true;
    }
    uint32_t size() override { return uint32_t(current->size()); }
    uint32_t realSize() override { return realSizeAnswer ? realSizeAnswer : size(); }
    uint32_t close() override {
        ++closes;
        isOpen = false;
        return 1;
    }
    int32_t read(void* destination, uint32_t count, uint32_t offset) override {
        if (offset != kCurrentPosition)
            position = offset;
        if (position >= current->size())
            return 0;
        uint32_t n = std::min<uint32_t>(count, uint32_t(current->size() - position));
        std::memcpy(destination, current->data() + position, n);
        position += n;
        return int32_t(n);
    }
    int32_t write(const void*, uint32_t, uint32_t) override { return 0; }
    bool seek(uint32_t offset) override {
        position = offset;
        return true;
    }

    std::map<std::u16string, std::string> files;
    std::u16string root;
    bool rootOk = true;
    int failOpenAt = 0;  // the n-th open fails
    uint32_t realSizeAnswer = 0;
    int opens = 0;
    int closes = 0;
    bool isOpen = false;

  private:
    const std::string* current = nullptr;
    uint32_t position = 0;
};

class FakeArchitecture : public Architecture {
  public:
    FakeArchitecture(Console*& console, MemoryManager*& memoryManager)
        : Architecture(console, memoryManager) {}
    bool init() override { return initOk; }
    void systemInfo() override {}
    bool setupLoader() override {
        uint32_t v, p;
        if (!setupOk || !memoryManager->takeLastPage(v, p))
            return false;
        // Leave only `keepPages` pages for the loader.
        while (keepPages >= 0 && memoryManager->mappedCount() > keepPages) {
            memoryManager->takeLastPage(v, p);
        }
        return true;
    }
    void jumpTo(uint32_t bootArgs, uint32_t chainHead) override {
        ++jumps;
        jumpBootArgs = bootArgs;
        jumpChainHead = chainHead;
    }
    bool initOk = true;
    bool setupOk = true;
    int keepPages = -1;
    int jumps = 0;
    uint32_t jumpBootArgs = 0;
    uint32_t jumpChainHead = 0;
};

// A Boot whose components are the fakes above (and the real memory manager
// and loaders over the simulated machine).
class TestBoot : public Boot {
  public:
    TestBoot() = default;
    bool setupRequest() override { return requestOk && Boot::setupRequest(); }
    bool createComponents() override {
        if (!componentsOk)
            return false;
        releaseComponents();
        auto* arch = new FakeArchitecture(console, memoryManager);
        arch->initOk = initOk;
        arch->setupOk = setupOk;
        arch->keepPages = keepPages;
        architecture = arch;
        memoryManager = new MemoryManager_LockPages(arch->findLockPages(), arch->findUnlockPages(),
                                                    console, 4096, 0);
        Console::changeConsole(console);
        files = new FakeFiles(console);
        files->files = content;
        files->rootOk = rootOk;
        files->failOpenAt = failOpenAt;
        files->realSizeAnswer = realSizeAnswer;
        fileManager = files;
        return true;
    }
    FakeArchitecture* arch() const { return static_cast<FakeArchitecture*>(architecture); }

    std::map<std::u16string, std::string> content;
    bool requestOk = true, componentsOk = true, initOk = true, setupOk = true, rootOk = true;
    int failOpenAt = 0;
    int keepPages = -1;
    uint32_t realSizeAnswer = 0;
    FakeFiles* files = nullptr;
};

// One attempt on a fresh handheld: kernel.elf from the card without the last
// question, a capturing process-wide console, and the given files.
struct FreshAttempt {
    explicit FreshAttempt(const std::map<std::u16string, std::string>& files,
                          const char* machine = "")
        : device{"jornada720", machine} {
        std::u16string kernel = u"kernel.elf";
        std::copy(kernel.begin(), kernel.end(), settings().kernelName);
        settings().pauseBeforeBoot = 0;
        boot.console = &capture;
        Console::changeConsole(&capture);
        boot.content = files;
    }
    BootSettings& settings() { return MenuInterface::instance()->settings(); }

    DeviceFolder device;
    CaptureConsole capture;
    TestBoot boot;
};

class BootSequenceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        menu = MenuInterface::instance();
        BootSettings& s = menu->settings();
        s.cpuId = 0x0c108000;
        s.machineId = 0x02c20201;
        std::u16string dir = u"\\Storage Card\\", kernel = u"kernel.elf";
        std::copy(dir.begin(), dir.end(), s.directory);
        std::copy(kernel.begin(), kernel.end(), s.kernelName);
        s.pauseBeforeBoot = 0;
        // Steps "0" and "1" are printed before the Boot object installs its
        // console: make the capture the process-wide console from the start.
        boot.console = &console;
        Console::changeConsole(&console);
        boot.content[u"kernel.elf"] = testing_support::readBytes(kKernelPath);
        ASSERT_GT(boot.content[u"kernel.elf"].size(), 52u);
        boot.content[u"miniroot.fs"] = std::string(1, 'i');
    }

    std::string failure() const {
        auto& boxes = device.machine().messageBoxes();
        for (auto it = boxes.rbegin(); it != boxes.rend(); ++it) {
            if (it->caption == u"BOOT FAILED")
                return host::toUtf8(it->text);
        }
        return "";
    }
    std::string lastProgress() const {
        std::string text = console.utf8();
        size_t at = text.rfind("[progress] ");
        return at == std::string::npos ? "" : text.substr(at + 11, text.find('\n', at) - at - 11);
    }
    int failureBoxes() const {
        int n = 0;
        for (auto& b : device.machine().messageBoxes())
            n += b.caption == u"BOOT FAILED";
        return n;
    }

    DeviceFolder device{"jornada720", "ram = 0xC0000000:0x01000000\nos_reserved = 0x00400000"};
    MenuInterface* menu = nullptr;
    CaptureConsole console;
    TestBoot boot;
};

TEST_F(BootSequenceTest, EveryStepsFailure) {
    struct Case {
        const char* message;
        const char* step;  // the last progress line before the box
        void (*arrange)(TestBoot&, MenuInterface&);
        const char* machine = "";  // more machine.conf lines
        const char* printed = "";  // what the failing component said first
    } cases[] = {
        {"Architecture not supported.\n", "0",
         [](TestBoot& b, MenuInterface&) { b.requestOk = false; }},
        {"Architecture ops. not found.\n", "1",
         [](TestBoot& b, MenuInterface&) { b.componentsOk = false; }},
        {"Architecture initialize failed.\n", "2",
         [](TestBoot& b, MenuInterface&) { b.initOk = false; }},
        {"Can't set root directory.\n", "3", [](TestBoot& b, MenuInterface&) { b.rootOk = false; }},
        {"Can't open file system image.\n", "3",
         [](TestBoot& b, MenuInterface& m) {
             m.settings().rootDevice = kRootMd;
             std::u16string image = u"missing.fs";
             std::copy(image.begin(), image.end() + 1, m.settings().imageName);
         }},
        {"Can't open kernel image.\n", "4",
         [](TestBoot& b, MenuInterface&) { b.content.erase(u"kernel.elf"); }},
        {"Can't attach loader.\n", "5",
         [](TestBoot& b, MenuInterface&) { b.content[u"kernel.elf"] = "MZ not an ELF file"; }, "",
         "unknown file format.\n"},
        {"Can't initialize loader.\n", "5",
         [](TestBoot& b, MenuInterface&) { b.content[u"kernel.elf"][18] = 3; }},  // e_machine x86
        {"Can't allocate memory.\n", "6",
         [](TestBoot& b, MenuInterface& m) {
             m.settings().rootDevice = kRootMd;
             b.content[u"miniroot.fs"] = std::string(3 << 20, 'i');  // more than the free RAM
         },
         "ram = 0xC0000000:0x00200000\nos_reserved = 0x00100000"},
        {"Can't set up loader.\n", "7", [](TestBoot& b, MenuInterface&) { b.setupOk = false; }},
        {"Can't load kernel image to memory.\n", "8",
         [](TestBoot& b, MenuInterface&) { b.keepPages = 1; }},  // the tag page alone
        {"Can't open file system image.\n", "9",
         [](TestBoot& b, MenuInterface& m) {
             m.settings().rootDevice = kRootMd;
             b.failOpenAt = 3;  // image for its size, kernel, then the image again
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        FreshAttempt a(boot.content, c.machine);
        TestBoot& b = a.boot;
        c.arrange(b, *MenuInterface::instance());
        runBootSequence(b);
        auto& boxes = a.device.machine().messageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(host::toUtf8(boxes[0].text), c.message);
        EXPECT_EQ(boxes[0].caption, u"BOOT FAILED");
        EXPECT_EQ(boxes[0].flags, 0x10u);
        std::string text = a.capture.utf8();
        size_t at = text.rfind("[progress] ");
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(text.substr(at + 11, text.find('\n', at) - at - 11), c.step);
        if (b.files) {
            EXPECT_FALSE(b.files->isOpen) << "the open file is closed before the box";
        }
        EXPECT_NE(text.find(c.printed), std::string::npos) << text;
    }
}

TEST_F(BootSequenceTest, ImageThatDoesNotFitItsPages) {
    // Fewer pages than kernel and image need: the kernel loads, the image
    // does not, and the image file is closed before the box.
    for (int keep = 1; keep < 400; ++keep) {
        SCOPED_TRACE(keep);
        FreshAttempt a(boot.content);
        TestBoot& b = a.boot;
        a.settings().rootDevice = kRootMd;
        b.content[u"miniroot.fs"] = std::string(200000, 'i');
        b.keepPages = keep;
        runBootSequence(b);
        if (failure() == "Can't load kernel image to memory.\n")
            continue;
        EXPECT_EQ(failure(), "Can't load file system image to memory.\n");
        EXPECT_EQ(b.arch()->jumps, 0);
        EXPECT_EQ(b.files->opens, 3);  // image for its size, kernel, image again
        EXPECT_FALSE(b.files->isOpen);
        EXPECT_EQ(a.device.machine().messageBoxes().size(), 1u);
        std::string text = a.capture.utf8();
        size_t at = text.rfind("[progress] ");
        EXPECT_EQ(text.substr(at, 13), "[progress] 9\n");
        return;
    }
    FAIL() << "the kernel never fitted";
}

TEST_F(BootSequenceTest, FullRunJumpsWithTheBootArgumentsAndTheChain) {
    runBootSequence(boot);
    // The fake jump returns, which is the last failure of all.
    EXPECT_EQ(failure(), "Can't jump to the kernel.\n");
    EXPECT_EQ(failureBoxes(), 1);
    EXPECT_EQ(device.machine().messageBoxes().size(), 1u) << "no last question when not asked for";
    ASSERT_EQ(boot.arch()->jumps, 1);
    EXPECT_EQ(boot.arch()->jumpChainHead, boot.loader->listHead());
    EXPECT_NE(boot.arch()->jumpBootArgs, 0u);
    EXPECT_EQ(lastProgress(), "10");
    std::string text = console.utf8();
    EXPECT_NE(text.find("kestrel build number: 15\n"), std::string::npos);
    EXPECT_NE(text.find("HP Jornada 720 (US/UK) (cpu=0x0c108000 machine=0x02c20201)\n"),
              std::string::npos);
    for (const char* step : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}) {
        EXPECT_NE(text.find(std::string("[progress] ") + step + "\n"), std::string::npos) << step;
    }
    EXPECT_EQ(boot.files->opens, 1);  // no image: only the kernel is opened
    EXPECT_FALSE(boot.files->isOpen);
    EXPECT_EQ(host::toUtf8(boot.files->root), "\\Storage Card\\");
}

// The CPU family the Boot object recognised against the processor that
// GetSystemInfo reports (this handheld: an SA-1110, "ARM STRONGARM"). The
// other family is refused before the last question, and nothing jumps.
TEST_F(BootSequenceTest, PlatformOfTheOtherCpuFamilyIsRefused) {
    struct Case {
        const char* what;
        uint32_t cpuKind, cpuId;
        const char* message;  // null: the boot gets to the jump
    } cases[] = {
        {"PXA270 platform", 0x0c208000, 0x0c208000,
         "Platform CPU ARM XSCALE PXA270 is not this processor (ARM STRONGARM).\n"},
        {"PXA250 platform", 0x0c204000, 0x0c204000,
         "Platform CPU ARM XSCALE PXA250 is not this processor (ARM STRONGARM).\n"},
        {"SA-1110 platform", 0x0c104000, 0x0c108000, nullptr},
        {"SA-1100 platform", 0x0c104000, 0x0c104000, nullptr},
        // A Boot that recognised no family has nothing to compare.
        {"no family recognised", 0, 0x0c208000, nullptr},
    };
    for (const Case& c : cases) {
        device.machine().messageBoxes().clear();
        console.text.clear();
        menu->settings().pauseBeforeBoot = 1;
        menu->settings().cpuId = c.cpuId;
        boot.cpuKind = c.cpuKind;
        runBootSequence(boot);
        auto& boxes = device.machine().messageBoxes();
        if (c.message) {
            EXPECT_EQ(failure(), c.message) << c.what;
            EXPECT_EQ(boot.arch()->jumps, 0) << c.what;
            ASSERT_EQ(boxes.size(), 1u) << c.what << ": no last question";
            EXPECT_NE(console.utf8().find(c.message), std::string::npos) << c.what;
        } else {
            ASSERT_FALSE(boxes.empty()) << c.what;
            EXPECT_EQ(host::toUtf8(boxes[0].caption), "Last chance...") << c.what;
        }
    }
}

// A configuration file that ended early is said on the console, with the
// first field that took its default.
TEST(BootSequenceSettings, ShortConfigurationIsSaid) {
    DeviceFolder device;
    BootSettings s;
    setDefaultSettings(s);
    s.cpuId = 0x0c108000;
    s.machineId = 0x02c20201;
    device.writeFile("Storage Card/kestrel.cnf",
                     std::string(reinterpret_cast<const char*>(&s), 1070));
    CaptureConsole capture;
    TestBoot boot;
    boot.console = &capture;
    Console::changeConsole(&capture);
    boot.requestOk = false;  // the line comes with the platform line, at step "1"
    boot.componentsOk = true;
    runBootSequence(boot);
    EXPECT_EQ(capture.utf8().find("kestrel.cnf holds"), std::string::npos)
        << "nothing before the components exist";
    boot.requestOk = true;
    boot.initOk = false;
    runBootSequence(boot);
    EXPECT_NE(capture.utf8().find("kestrel.cnf holds 1070 of 2152 bytes: machineId and the fields "
                                  "after it are defaults.\n"),
              std::string::npos)
        << capture.utf8();
}

TEST_F(BootSequenceTest, LastChanceCancelAndRetry) {
    menu->settings().pauseBeforeBoot = 1;
    device.machine().setAnswer("Last chance...", "no");
    runBootSequence(boot);
    EXPECT_EQ(failure(), "Canceled by user.\n");
    EXPECT_EQ(boot.arch()->jumps, 0);
    auto& boxes = device.machine().messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(host::toUtf8(boxes[0].text), "Push YES to boot.");
    EXPECT_EQ(boxes[0].flags, 0x34u);
    // Pressing Boot again starts at step "0" with fresh components.
    console.text.clear();
    device.machine().setAnswer("Last chance...", "yes");
    runBootSequence(boot);
    EXPECT_EQ(console.utf8().find("[progress] 0\n"), 0u);
    EXPECT_EQ(boot.arch()->jumps, 1);
}

// The byte count handed to allocateMemory, recomputed from what the run
// printed: the loader's total and the translation table's size.
struct Reservation {
    uint32_t kernelTotal = 0;  // "file size: ... = 0x%x bytes"
    uint32_t tableBytes = 0;   // "address translation table %d pages. (0x%x bytes)"
};

Reservation reservationOf(const std::string& text) {
    Reservation r;
    size_t at = text.find("file size: ");
    size_t eq = text.find(" bytes\n", at);
    size_t start = text.rfind("= 0x", eq);
    if (at != std::string::npos && start != std::string::npos) {
        r.kernelTotal = uint32_t(std::stoul(text.substr(start + 4, eq - start - 4), nullptr, 16));
    }
    size_t table = text.find("address translation table ");
    size_t open = text.find("(0x", table);
    if (table != std::string::npos && open != std::string::npos) {
        r.tableBytes = uint32_t(std::stoul(text.substr(open + 3), nullptr, 16));
    }
    return r;
}

// What allocateMemory asks the memory manager for, as table entries.
uint32_t expectedEntries(uint32_t payload) {
    uint32_t pages = (payload + 4079) / 4080;
    uint32_t bytes = (pages + 4) * 4096;
    return (bytes + 0xFFFF) / 0x10000 * 0x10000 / 4096;
}

TEST_F(BootSequenceTest, OneImageByteAddsAWholePage) {
    struct Case {
        uint32_t imageSize;  // 0: no image
        uint32_t imageBytes;
    } cases[] = {{0, 0}, {1, 4096}, {4096, 4096}, {4097, 8192}, {100000, 102400}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.imageSize);
        FreshAttempt a(boot.content);
        TestBoot& b = a.boot;
        a.settings().rootDevice = c.imageSize ? kRootMd : kRootWd;
        b.content[u"miniroot.fs"] = std::string(c.imageSize, 'i');
        runBootSequence(b);
        EXPECT_EQ(failure(), "Can't jump to the kernel.\n");
        Reservation r = reservationOf(a.capture.utf8());
        ASSERT_NE(r.kernelTotal, 0u);
        uint32_t kernelBytes = (r.kernelTotal + 4095) / 4096 * 4096;
        EXPECT_EQ(r.tableBytes / 8, expectedEntries(kernelBytes + c.imageBytes));
        EXPECT_EQ(b.files->opens, c.imageSize ? 3 : 1);  // image size, kernel, image load
    }
}

TEST_F(BootSequenceTest, NoPageLeftForTheBootArguments) {
    // The smallest number of pages the kernel loads into leaves none for the
    // boot arguments: that attempt must stop instead of jumping.
    for (int keep = 1; keep < 200; ++keep) {
        SCOPED_TRACE(keep);
        FreshAttempt a(boot.content);
        TestBoot& b = a.boot;
        b.keepPages = keep;
        runBootSequence(b);
        if (failure() == "Can't load kernel image to memory.\n")
            continue;
        EXPECT_EQ(failure(), "Can't allocate memory.\n");
        EXPECT_EQ(b.arch()->jumps, 0);
        EXPECT_NE(a.capture.utf8().find("can't get page for boot arguments."), std::string::npos);
        return;
    }
    FAIL() << "the kernel never fitted";
}

TEST_F(BootSequenceTest, UndecodableImageHasNoSize) {
    menu->settings().rootDevice = kRootMd;
    boot.realSizeAnswer = 0xFFFFFFFF;
    runBootSequence(boot);
    EXPECT_EQ(failure(), "Can't open file system image.\n");
    EXPECT_EQ(boot.arch()->jumps, 0);
}

}  // namespace
