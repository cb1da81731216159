// kestrel boots the demo kernel on each example handheld, as a person runs
// it: the program on a device folder with Boot pressed. The kernel's report
// on its UART (standard output) must match the settings.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "support/DeviceFolder.h"
#include "support/HttpServers.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readBytes;
using testing_support::run;
using testing_support::TempDir;

const std::string kBuild = KESTREL_BINARY_DIR;
const std::string kKestrel = kBuild + "/host/tools/kestrel";
const std::string kUtil = kBuild + "/host/tools/kestrel-util";

struct Result {
    int status;
    std::string out;
};

// A copy of a prepared example handheld that a test may change.
class Handheld {
  public:
    explicit Handheld(const std::string& name) {
        dir_ = temp_.path() / name;
        fs::copy(kBuild + "/examples/" + name, dir_, fs::copy_options::recursive);
    }
    fs::path card() const { return dir_ / "root" / "Storage Card"; }
    // kestrel-util config set on the card's kestrel.cnf.
    void set(const std::string& assignments) {
        std::string cnf = (card() / "kestrel.cnf").string();
        ASSERT_EQ(run(kUtil + " config set '" + cnf + "' " + assignments + " > /dev/null"), 0);
    }
    Result boot(const std::string& extra = "") { return start("--press boot " + extra); }
    // kestrel on this handheld with the given arguments.
    Result start(const std::string& arguments) {
        fs::path out = temp_.path() / "out.txt";
        int status = run(kKestrel + " --device '" + dir_.string() + "' " + arguments + " > '" +
                         out.string() + "' 2>&1");
        return Result{status, readBytes(out)};
    }
    const fs::path& dir() const { return dir_; }

  private:
    TempDir temp_;
    fs::path dir_;
};

// A field of the kernel's report (its "kernel: " lines; the Console page's
// text is on the same output and names some of the same fields).
std::string field(const std::string& out, const std::string& name) {
    std::smatch m;
    std::regex re("kernel: [^\r\n]*\\b" + name + "=([^ \r\n]*)");
    return std::regex_search(out, m, re) ? m[1].str() : "<none>";
}

// A disk of sfdisk whose one partition (type a9, at sector 64, `sectors`
// long) holds the file system image `ufs`.
bool partitionedDisk(const fs::path& disk, const fs::path& ufs, int sectors) {
    std::string size = std::to_string((64 + sectors) * 512);
    return run("truncate -s " + size + " '" + disk.string() + "' && echo 'start=64, size=" +
               std::to_string(sectors) + ", type=a9' | sfdisk -q --no-reread --no-tell-kernel '" +
               disk.string() + "' > /dev/null") == 0 &&
           run("dd if='" + ufs.string() + "' of='" + disk.string() +
               "' bs=512 seek=64 conv=notrunc status=none") == 0;
}

struct Machine {
    const char* name;
    const char* cpu;
    const char* machine;
    const char* entry;
    const char* timezone;  // bias, plus the daylight bias in daylight time
    const char* width;     // the screen
    const char* height;
};

const Machine kMachines[] = {
    {"jornada720", "0x0c108000", "0x02c20201", "0xc0200000", "-60", "640", "240"},
    {"ipaq3900", "0x0c204000", "0x01c40301", "0xa0200000", "300", "320", "240"},
    {"wzero3", "0x0c208000", "0x01040100", "0xa0200000", "-540", "480", "640"},
};

void PrintTo(const Machine& m, std::ostream* os) {
    *os << m.name;
}

class BootEndToEnd : public testing::TestWithParam<Machine> {};

TEST_P(BootEndToEnd, GzipKernelFromTheStorageCard) {
    Handheld h(GetParam().name);
    Result r = h.boot();
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(std::string("kernel: entered at ") + GetParam().entry), std::string::npos)
        << r.out;
    EXPECT_EQ(field(r.out, "argc"), "1") << r.out;
    EXPECT_EQ(field(r.out, "argv\\[0\\]"), "keldos.gz") << r.out;
    EXPECT_EQ(field(r.out, "magic"), "0x13536135");
    EXPECT_EQ(field(r.out, "length"), "36");
    EXPECT_EQ(field(r.out, "console"), "1");
    EXPECT_EQ(field(r.out, "cpu"), GetParam().cpu);
    EXPECT_EQ(field(r.out, "machine"), GetParam().machine);
    EXPECT_EQ(field(r.out, "timezone"), GetParam().timezone);
    EXPECT_EQ(field(r.out, "width"), GetParam().width);
    EXPECT_EQ(field(r.out, "height"), GetParam().height);
    // System mode, MMU and caches off, vectors high.
    EXPECT_EQ(field(r.out, "mode"), "0x0000001f");
    EXPECT_EQ(field(r.out, "control"), "0x00002030");
    EXPECT_NE(r.out.find("(matches)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("kernel: halt"), std::string::npos);
    EXPECT_NE(r.out.find("kestrel: the kernel was entered"), std::string::npos);
}

// An 8 MiB image: on the realistic memory layout many of the pages Windows
// CE hands out lie inside the image's destination and are set aside.
TEST_P(BootEndToEnd, MemoryDiskRootWithItsImage) {
    Handheld h(GetParam().name);
    testing_support::writeBytes(h.card() / "miniroot.fs", "MDIM" + std::string(8 << 20, 'x'));
    h.set("rootDevice=md imageName=miniroot.fs verbose=1 'extraOptions=-x  foo'");
    Result r = h.boot();
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(field(r.out, "argc"), "5") << r.out;
    EXPECT_EQ(field(r.out, "argv\\[1\\]"), "v");
    EXPECT_EQ(field(r.out, "argv\\[2\\]"), "m=miniroot.fs");
    EXPECT_EQ(field(r.out, "argv\\[3\\]"), "-x");
    EXPECT_EQ(field(r.out, "argv\\[4\\]"), "foo");
    // The image's first bytes where the kernel looks for them.
    EXPECT_EQ(field(r.out, "first word"), "0x4d49444d") << r.out;
    EXPECT_NE(r.out.find("inside the kernel's destination; set aside."), std::string::npos);
}

TEST_P(BootEndToEnd, EveryFlagAndTheRootInTheirOrder) {
    Handheld h(GetParam().name);
    h.set("serialConsole=1 verbose=1 singleUser=1 askName=1 kernelDebugger=1 rootDevice=sd");
    Result r = h.boot();
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(field(r.out, "argc"), "7") << r.out;
    const char* const expected[] = {"keldos.gz", "h", "v", "s", "a", "d", "b=sd0"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(field(r.out, "argv\\[" + std::to_string(i) + "\\]"), expected[i]) << i;
    }
}

TEST_P(BootEndToEnd, SerialConsoleCarriesTheBootAndTheKernelSeesIt) {
    Handheld h(GetParam().name);
    h.set("serialConsole=1 serialSpeed=115200");
    Result r = h.boot();
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(field(r.out, "argv\\[1\\]"), "h") << r.out;
    EXPECT_EQ(field(r.out, "console"), "2");
    // The boot's own lines went through the UART console (kestrel shows its
    // bytes as marked lines; the console tests check the CR LF endings).
    EXPECT_NE(r.out.find("\n[UART] [progress] 10\n"), std::string::npos) << r.out;
}

TEST_P(BootEndToEnd, KernelFromAWebServer) {
    Handheld h(GetParam().name);
    TempDir site;
    fs::create_directories(site.path() / "kernels");
    fs::copy_file(h.card() / "keldos.gz", site.path() / "kernels" / "keldos.gz");
    net_testing::PythonServer server(site.path());
    // The root names the server; the kernel name is the request path.
    h.set("directory=http://127.0.0.1:" + std::to_string(server.port()) +
          "/ kernelName=/kernels/keldos.gz");
    Result r = h.boot();
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(field(r.out, "argv\\[0\\]"), "/kernels/keldos.gz") << r.out;
    EXPECT_NE(r.out.find("(matches)"), std::string::npos) << r.out;
}

TEST_P(BootEndToEnd, KernelFromAUfsPartition) {
    Handheld h(GetParam().name);
    TempDir work;
    fs::create_directories(work.path() / "tree");
    fs::copy_file(h.card() / "keldos.gz", work.path() / "tree" / "keldos.gz");
    fs::path ufs = work.path() / "ufs.img";
    fs::path disk = h.dir() / "disks" / "DSK1.img";
    // A UFS1 file system from makefs in a partition of type a9 at
    // sector 64 of a disk partitioned by sfdisk.
    ASSERT_EQ(run("makefs -t ffs -o version=1 -s 1m '" + ufs.string() + "' '" +
                  (work.path() / "tree").string() + "' > /dev/null"),
              0);
    ASSERT_TRUE(partitionedDisk(disk, ufs, 2048));
    h.set("directory=1:/ kernelName=keldos.gz");
    Result r = h.boot();
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(field(r.out, "argv\\[0\\]"), "keldos.gz") << r.out;
    EXPECT_NE(r.out.find("(matches)"), std::string::npos) << r.out;
}

TEST_P(BootEndToEnd, BudgetTooSmallIsSaid) {
    Handheld h(GetParam().name);
    Result r = h.boot("--budget 200");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("budget of 200 instructions ran out"), std::string::npos) << r.out;
}

TEST_P(BootEndToEnd, AutoBootWithoutATouch) {
    Handheld h(GetParam().name);
    h.set("autoBootSeconds=3");
    Result r = h.start("");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(field(r.out, "argc"), "1") << r.out;
    EXPECT_NE(r.out.find("kestrel: the kernel was entered"), std::string::npos) << r.out;
}

TEST_P(BootEndToEnd, NoAtTheLastQuestionBootsNothing) {
    Handheld h(GetParam().name);
    Result r = h.boot("--answer 'Last chance...=no'");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("Canceled by user."), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("kernel: entered"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Examples, BootEndToEnd, testing::ValuesIn(kMachines),
                         [](const auto& info) { return std::string(info.param.name); });

// A kernel linked where the machine has no RAM: the second-stage loader's
// first store faults, and the run says where and why.
TEST(BootEndToEndFault, KernelOutsideRamFaultsInTheLoader) {
    Handheld h("jornada720");
    std::string source = std::string(KESTREL_SOURCE_DIR) + "/examples/kernel/";
    fs::path elf = h.dir() / "high.elf";
    ASSERT_EQ(run("arm-linux-gnueabi-gcc -march=armv4 -marm -ffreestanding -nostdlib -static "
                  "-fno-pie -no-pie -O2 -Wl,--build-id=none -Wl,--no-warn-rwx-segments "
                  "-Wl,--defsym=kernel_base=0xD0000000 -Wl,-T," +
                  source + "demo.ld -o '" + elf.string() + "' " + source + "demo.c"),
              0);
    ASSERT_EQ(run("gzip -c '" + elf.string() + "' > '" + (h.card() / "keldos.gz").string() + "'"),
              0);
    Result r = h.boot();
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("kestrel: the kernel was not entered: CPU fault: write to unmapped "
                         "address 0xd0000000"),
              std::string::npos)
        << r.out;
}

// More than the handheld's RAM can hold beside the destinations: refused
// before the last question, with the pages needed and found.
TEST(BootEndToEndFault, MoreThanTheRamHoldsIsRefusedBeforeTheLastQuestion) {
    Handheld h("jornada720");
    std::ofstream(h.dir() / "machine.conf", std::ios::app) << "ram = 0xC0000000:0x00C00000\n";
    testing_support::writeBytes(h.card() / "big.fs", std::string(8 << 20, 'x'));
    h.set("rootDevice=md imageName=big.fs");
    Result r = h.boot();
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("pages outside the kernel's destination, found"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Can't allocate memory."), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Last chance"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("kernel: entered"), std::string::npos);
}

// On the PXA-2x0 every destination folds into the first 16 MiB of SDRAM: an
// image that does not fit there would land on the kernel. The jump is refused.
// The PXA-2x0 second-stage loader folds every destination into the first
// 16 MiB of SDRAM: an image that would run past them is refused as soon as
// the sizes are known, before a byte of it is read.
TEST(BootEndToEndFault, ImageBeyondTheFirst16MiBIsRefusedBeforeReading) {
    Handheld h("wzero3");
    testing_support::writeBytes(h.card() / "big.fs", std::string(20 << 20, 'x'));
    h.set("rootDevice=md imageName=big.fs");
    Result r = h.boot();
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(
        r.out.find("0xa0201000+0x1400000 does not fit in the 0x1000000 bytes from 0xa0000000"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Can't allocate memory."), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("[file system image]"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Last chance"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("kernel: entered"), std::string::npos);
}

// A gzip kernel or image whose trailer does not match what it decodes to is
// never booted, however the boot reads it: the attempt stops with the
// message of its step, and the gzip layer's line names the fault.
TEST(BootEndToEndFault, DamagedGzipFilesAreNotBooted) {
    struct Row {
        const char* what;
        bool image;        // the damage is in a memory-disk image, not the kernel
        size_t fromEnd;    // the trailer byte changed
        const char* line;  // the gzip layer's
        const char* step;  // the boot's message
    };
    const Row rows[] = {
        {"kernel CRC", false, 8, "gzip: CRC-32 mismatch", "Can't"},
        {"kernel length", false, 2, "gzip: length mismatch", "Can't"},
        {"image CRC", true, 7, "gzip: CRC-32 mismatch", "Can't open file system image."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Handheld h("jornada720");
        fs::path damaged = h.card() / "keldos.gz";
        if (row.image) {
            testing_support::writeBytes(h.dir() / "image", "MDIM" + std::string(70000, 'x'));
            ASSERT_EQ(run("gzip -c '" + (h.dir() / "image").string() + "' > '" +
                          (h.card() / "miniroot.gz").string() + "'"),
                      0);
            h.set("rootDevice=md imageName=miniroot.gz");
            damaged = h.card() / "miniroot.gz";
        }
        std::string bytes = readBytes(damaged);
        bytes[bytes.size() - row.fromEnd] ^= 1;
        testing_support::writeBytes(damaged, bytes);
        Result r = h.boot();
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_NE(r.out.find(row.line), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(row.step), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("kernel: entered"), std::string::npos) << r.out;
    }
}

// A memory-disk image on a UFS partition whose single indirect block pointer
// lies past the file system: the image cannot be read whole, so nothing is
// booted (a shorter image must never be taken for the whole one).
TEST(BootEndToEndFault, DamagedImageOnAUfsPartitionIsNotBooted) {
    Handheld h("jornada720");
    TempDir work;
    fs::create_directories(work.path() / "tree");
    fs::copy_file(h.card() / "keldos.gz", work.path() / "tree" / "keldos.gz");
    // 200 KiB of image: 8 KiB blocks reach the single indirect block.
    std::string image = "MDIM";
    for (uint32_t x = 1; image.size() < 200000;) {
        x = x * 1103515245 + 12345;
        image += char(x >> 16);
    }
    testing_support::writeBytes(work.path() / "tree" / "mini.fs", image);
    fs::path ufs = work.path() / "ufs.img";
    ASSERT_EQ(run("makefs -t ffs -o version=1,bsize=8192,fsize=1024 -s 2m '" + ufs.string() +
                  "' '" + (work.path() / "tree").string() + "' > /dev/null"),
              0);
    // The image's inode: its size at offset 8, its first block's fragment
    // address at 40; the single indirect address is at 88.
    std::string bytes = readBytes(ufs);
    size_t data = bytes.find(image.substr(0, 8192));
    ASSERT_TRUE(data != std::string::npos && data % 1024 == 0);
    auto le32 = [](uint64_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    size_t inode = bytes.find(le32(image.size()) + le32(0));
    while (inode != std::string::npos && bytes.compare(inode + 32, 4, le32(data / 1024)) != 0)
        inode = bytes.find(le32(image.size()) + le32(0), inode + 1);
    ASSERT_NE(inode, std::string::npos);
    bytes.replace(inode - 8 + 88, 4, le32(0x00100000));
    testing_support::writeBytes(ufs, bytes);
    fs::path disk = h.dir() / "disks" / "DSK1.img";
    ASSERT_TRUE(partitionedDisk(disk, ufs, 4096));
    h.set("directory=1:/ kernelName=keldos.gz rootDevice=md imageName=mini.fs");
    Result r = h.boot();
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("beyond the file system"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("read error 5 in \"mini.fs\""), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("kernel: entered"), std::string::npos) << r.out;
}

}  // namespace

namespace {

// The example's kestrel.cnf cut after `bytes` bytes, as a copy interrupted
// part way would leave it.
void cutConfiguration(const Handheld& h, size_t bytes) {
    fs::path cnf = h.card() / "kestrel.cnf";
    std::string record = readBytes(cnf);
    ASSERT_EQ(record.size(), 2152u);
    testing_support::writeBytes(cnf, record.substr(0, bytes));
}

// A file cut before `cpuId` leaves the platform at the defaults (the first
// selectable row, a PXA270); on the SA-1110 handheld the boot refuses it
// before the last question instead of leaving Windows CE for it.
TEST(BootEndToEndSettings, CutBeforeThePlatformIsRefusedOnTheOtherCpu) {
    Handheld h("jornada720");
    cutConfiguration(h, 1064);
    Result r = h.boot();
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("kestrel.cnf holds 1064 of 2152 bytes: cpuId and the fields after it "
                         "are defaults."),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Platform CPU ARM XSCALE PXA270 is not this processor (ARM STRONGARM)."),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("Last chance..."), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("kernel: entered"), std::string::npos) << r.out;
}

// A file cut inside `machineId`: kestrel-util shows the platform the boot
// then uses, and both keep the CPU word the file holds.
TEST(BootEndToEndSettings, CutInsideThePlatformShowsWhatTheBootUses) {
    Handheld h("jornada720");
    cutConfiguration(h, 1070);
    fs::path shown = h.dir() / "shown.txt";
    ASSERT_EQ(run(kUtil + " config show '" + (h.card() / "kestrel.cnf").string() + "' > '" +
                  shown.string() + "'"),
              0);
    std::string show = readBytes(shown);
    EXPECT_NE(show.find("cpuId            = 0x0c108000\n"), std::string::npos) << show;
    EXPECT_NE(show.find("machineId        = 0x00000000\n"), std::string::npos) << show;
    EXPECT_NE(show.find("platform         = \"Compaq iPAQ H3100\" (cpuId 0x0c108000, machineId "
                        "0x01c40101 on the handheld)\n"),
              std::string::npos)
        << show;
    EXPECT_NE(show.find("short record: 1070 of 2152 bytes; machineId and the fields after it are "
                        "defaults\n"),
              std::string::npos)
        << show;
    Result r = h.boot();
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Compaq iPAQ H3100 (cpu=0x0c108000 machine=0x01c40101)"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(field(r.out, "cpu"), "0x0c108000");
    EXPECT_EQ(field(r.out, "machine"), "0x01c40101");
}

}  // namespace
