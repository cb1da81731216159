// Boots that do not depend on where Windows CE put the reserved pages: on a
// handheld whose OS keeps only its first MiB and hands out free frames from
// all over RAM, the system's own preparation of a boot places kernels of 1,
// 4 and 8 MiB, with and without a memory-disk image, for hundreds of frame
// orders, and the chain the second-stage loader walks puts every byte where
// the ELF file says. What cannot be placed is refused before the jump.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <string>

#include "boot/Boot.h"
#include "boot/BootAttempt.h"
#include "boot/MenuInterface.h"
#include "console/Console.h"
#include "loader/Loader.h"
#include "machine/ChainWalker.h"
#include "machine/KernelLayout.h"
#include "machine/PhysicalImage.h"
#include "machine/PhysicalMemory.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

namespace fs = std::filesystem;
using testing_support::CaptureConsole;
using testing_support::DeviceFolder;

const fs::path kKernels = KESTREL_BINARY_DIR "/kernels";
constexpr int kSeedsPerProfile = 120;

struct Machine {
    const char* profile;
    bool pxa;
    uint32_t cpuId;
    uint32_t machineId;
};

struct Load {
    int kernelMiB;
    const char* image;  // nullptr: none
};

// What one attempt did.
struct Outcome {
    bool prepared = false;
    std::string failure;
    std::string console;
    std::vector<std::string> problems;  // of the walked chain
};

void copyName(ce::WCHAR* to, const std::u16string& name) {
    std::memset(to, 0, ce::MAX_PATH * sizeof(ce::WCHAR));
    std::copy(name.begin(), name.end(), to);
}

class Handheld {
  public:
    explicit Handheld(const Machine& machine, const std::string& conf = "")
        : machine_(machine), device_(machine.profile, conf) {
        for (const char* name :
             {"kernel-1m.elf", "kernel-4m.elf", "kernel-8m.elf", "kernel-pxa-1m.elf",
              "kernel-pxa-4m.elf", "kernel-pxa-8m.elf", "image-8m.fs", "image-12m.fs"})
            fs::create_symlink(kKernels / name, device_.card() / name);
    }
    ~Handheld() { testing_support::resetSystem(); }

    // One boot's preparation with the free frames dealt by `seed`, then the
    // walk of what it built.
    Outcome attempt(const Load& load, uint64_t seed) {
        testing_support::resetSystem();  // every page of the last attempt goes back
        auto& ram = device_.machine().component<host::PhysicalMemory>();
        EXPECT_TRUE(ram.reshuffle(seed)) << "frames still handed out";
        capture_.text.clear();
        Console::changeConsole(&capture_);
        std::string kernel = kernelName(load.kernelMiB);
        request(kernel, load.image);
        BootAttempt attempt(*Boot::instance(), *MenuInterface::instance());
        Outcome outcome;
        outcome.prepared = attempt.prepare();
        outcome.console = capture_.utf8();
        if (!outcome.prepared) {
            outcome.failure = host::toUtf8(attempt.failure());
            return outcome;
        }
        host::PhysicalImage image(ram);
        host::ChainWalker::Result walked =
            host::ChainWalker(machine_.pxa).walk(image, Boot::instance()->loader->listHead());
        outcome.problems = walked.faults;
        if (!walked.ended)
            outcome.problems.push_back("the chain does not end");
        for (const std::string& p : layout(kernel, load.image).compare(image, machine_.pxa))
            outcome.problems.push_back(p);
        return outcome;
    }

    size_t freeFrames() {
        return device_.machine().component<host::PhysicalMemory>().freeFrameCount();
    }

  private:
    std::string kernelName(int mib) const {
        return std::string(machine_.pxa ? "kernel-pxa-" : "kernel-") + std::to_string(mib) +
               "m.elf";
    }
    void request(const std::string& kernel, const char* image) {
        BootSettings& s = MenuInterface::instance()->settings();
        s.cpuId = machine_.cpuId;
        s.machineId = machine_.machineId;
        copyName(s.directory, u"\\Storage Card\\");
        copyName(s.kernelName, host::fromUtf8(kernel));
        s.rootDevice = image ? kRootMd : kRootSd;
        copyName(s.imageName, image ? host::fromUtf8(image) : u"");
        s.pauseBeforeBoot = 0;
        s.safetyMessage = 0;
    }
    // What the files say memory must hold, worked out once per pair.
    const host::KernelLayout& layout(const std::string& kernel, const char* image) {
        std::string key = kernel + "+" + (image ? image : "");
        auto it = layouts_.find(key);
        if (it != layouts_.end())
            return it->second;
        host::KernelLayout& made = layouts_[key];
        std::string error;
        EXPECT_TRUE(
            host::KernelLayout::fromElf(testing_support::readBytes(kKernels / kernel), made, error))
            << error;
        if (image)
            made.addImage(testing_support::readBytes(kKernels / image));
        return made;
    }

    Machine machine_;
    DeviceFolder device_;
    CaptureConsole capture_;
    std::map<std::string, host::KernelLayout> layouts_;
};

class PlacementTest : public ::testing::TestWithParam<Machine> {};

// Every frame order: every byte lands. The one load that cannot be placed
// anywhere (on the PXA-2x0, whose second-stage loader reaches only the first
// 16 MiB of SDRAM, an 8 MiB kernel and an 8 MiB image) is refused before a
// byte is read. On the Jornada 720 that pair would run past the 16 MiB of
// its first RAM bank, which the system cannot see (it knows the banks'
// address windows, not how much of each is fitted), so it is not tried.
TEST_P(PlacementTest, EveryByteLandsWhateverTheFrameOrder) {
    const Machine& machine = GetParam();
    const Load loads[] = {{1, nullptr},       {4, nullptr},       {8, nullptr},
                          {1, "image-8m.fs"}, {4, "image-8m.fs"}, {8, "image-8m.fs"}};
    Handheld handheld(machine);
    int placed = 0, refused = 0;
    for (int seed = 1; seed <= kSeedsPerProfile; ++seed) {
        const Load& load = loads[seed % std::size(loads)];
        bool tooBig = load.kernelMiB == 8 && load.image;
        if (tooBig && !machine.pxa)
            continue;
        SCOPED_TRACE(std::string(machine.profile) + " seed " + std::to_string(seed) + ", " +
                     std::to_string(load.kernelMiB) + " MiB kernel" +
                     (load.image ? std::string(" + ") + load.image : ""));
        Outcome outcome = handheld.attempt(load, uint64_t(seed));
        if (tooBig) {
            EXPECT_FALSE(outcome.prepared);
            EXPECT_EQ(outcome.failure, "Can't allocate memory.\n") << outcome.console;
            EXPECT_NE(outcome.console.find("that the 2nd bootloader reaches"), std::string::npos);
            EXPECT_EQ(outcome.console.find("[file system image]"), std::string::npos);
            ++refused;
            continue;
        }
        ASSERT_TRUE(outcome.prepared) << outcome.failure << outcome.console;
        for (const std::string& p : outcome.problems)
            ADD_FAILURE() << p;
        if (!outcome.problems.empty())
            return;  // one seed's report is enough to read
        ++placed;
    }
    std::printf("%s: %d placed, %d refused\n", machine.profile, placed, refused);
}

// A 12 MiB image with a small kernel still fits the PXA-2x0's reach.
TEST_P(PlacementTest, TwelveMiBImageBehindASmallKernel) {
    const Machine& machine = GetParam();
    if (!machine.pxa)
        GTEST_SKIP() << "the Jornada 720's first bank ends 16 MiB in";
    Handheld handheld(machine);
    for (int seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Outcome outcome = handheld.attempt(Load{1, "image-12m.fs"}, uint64_t(seed));
        ASSERT_TRUE(outcome.prepared) << outcome.failure << outcome.console;
        EXPECT_TRUE(outcome.problems.empty()) << outcome.problems.front();
    }
}

// A handheld of 12 MiB cannot hold an 8 MiB kernel beside pages outside its
// destination: the reservation says how many pages it needed and found,
// gives every page back to Windows CE, and the boot stops there.
TEST(Placement, RequestLargerThanTheRamIsRefusedAndGivesEverythingBack) {
    Handheld handheld(Machine{"jornada720", false, 0x0c108000, 0x02c20201},
                      "ram = 0xC0000000:0x00C00000");
    size_t before = handheld.freeFrames();
    Outcome outcome = handheld.attempt(Load{8, nullptr}, 7);
    EXPECT_FALSE(outcome.prepared);
    EXPECT_EQ(outcome.failure, "Can't allocate memory.\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(outcome.console, m,
                                  std::regex("need (\\d+) pages outside the kernel's destination, "
                                             "found (\\d+)\\.\n")))
        << outcome.console;
    EXPECT_GT(std::stoul(m[1]), std::stoul(m[2]));
    EXPECT_EQ(outcome.console.find("[progress] 7"), std::string::npos)
        << "stopped at the reservation";
    EXPECT_EQ(handheld.freeFrames(), before) << "every reserved page given back";
}

INSTANTIATE_TEST_SUITE_P(Machines, PlacementTest,
                         ::testing::Values(Machine{"jornada720", false, 0x0c108000, 0x02c20201},
                                           Machine{"ipaq3900", true, 0x0c204000, 0x01c40301},
                                           Machine{"wzero3", true, 0x0c208000, 0x01040100}),
                         [](const ::testing::TestParamInfo<Machine>& info) {
                             return std::string(info.param.profile);
                         });

}  // namespace
