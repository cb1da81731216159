// kestrel boots the demo kernel on each example handheld, as a person runs
// it: the program on a device folder with Boot pressed. The kernel's report
// on its UART (standard output) must match the settings.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "support/DeviceFolder.h"

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
    Result boot(const std::string& extra = "") {
        fs::path out = temp_.path() / "out.txt";
        int status = run(kKestrel + " --device '" + dir_.string() + "' --press boot " + extra +
                         " > '" + out.string() + "' 2>&1");
        return Result{status, readBytes(out)};
    }
    const fs::path& dir() const { return dir_; }

  private:
    TempDir temp_;
    fs::path dir_;
};

std::string field(const std::string& out, const std::string& name) {
    std::smatch m;
    std::regex re(name + "=([^ \r\n]*)");
    return std::regex_search(out, m, re) ? m[1].str() : "<none>";
}

struct Machine {
    const char* name;
    const char* cpu;
    const char* machine;
    const char* entry;
};

const Machine kMachines[] = {
    {"jornada720", "0x0c108000", "0x02c20201", "0xc0200000"},
    {"ipaq3900", "0x0c204000", "0x01c40301", "0xa0200000"},
    {"wzero3", "0x0c208000", "0x01040100", "0xa0200000"},
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
    // System mode, MMU and caches off, vectors high.
    EXPECT_EQ(field(r.out, "mode"), "0x0000001f");
    EXPECT_EQ(field(r.out, "control"), "0x00002030");
    EXPECT_NE(r.out.find("(matches)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("kernel: halt"), std::string::npos);
    EXPECT_NE(r.out.find("kestrel: the kernel was entered"), std::string::npos);
}

TEST_P(BootEndToEnd, MemoryDiskRootWithItsImage) {
    Handheld h(GetParam().name);
    testing_support::writeBytes(h.card() / "miniroot.fs", std::string(70000, 'x'));
    h.set("rootDevice=md imageName=miniroot.fs verbose=1 'extraOptions=-x  foo'");
    Result r = h.boot();
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(field(r.out, "argc"), "5") << r.out;
    EXPECT_EQ(field(r.out, "argv\\[1\\]"), "v");
    EXPECT_EQ(field(r.out, "argv\\[2\\]"), "m=miniroot.fs");
    EXPECT_EQ(field(r.out, "argv\\[3\\]"), "-x");
    EXPECT_EQ(field(r.out, "argv\\[4\\]"), "foo");
}

TEST_P(BootEndToEnd, SerialConsoleCarriesTheBootAndTheKernelSeesIt) {
    Handheld h(GetParam().name);
    h.set("serialConsole=1 serialSpeed=115200");
    Result r = h.boot();
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(field(r.out, "argv\\[1\\]"), "h") << r.out;
    EXPECT_EQ(field(r.out, "console"), "2");
    // The boot's own lines went through the UART console (CR LF endings).
    EXPECT_NE(r.out.find("[progress] 10\r\n"), std::string::npos) << r.out;
}

TEST_P(BootEndToEnd, BudgetTooSmallIsSaid) {
    Handheld h(GetParam().name);
    Result r = h.boot("--budget 200");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("budget of 200 instructions ran out"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Examples, BootEndToEnd, testing::ValuesIn(kMachines),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
