// kestrel-util config: showing a configuration written elsewhere, and
// preparing one on a PC without ever leaving a damaged file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/DeviceFolder.h"

namespace {

using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

using Result = testing_support::ToolResult;

Result util(const TempDir&, const std::string& args) {
    return testing_support::runTool("kestrel-util", args);
}

TEST(ConfigCommand, ShowsAFileWrittenByAnotherProgram) {
    TempDir dir;
    std::string file = (dir.path() / "kestrel.cnf").string();
    // python3 packs a record field by field, as another tool would.
    std::string script = R"(
import struct, sys
def text(s, units): return s.encode('utf-16-le').ljust(units * 2, b'\0')
r = struct.pack('<5I', 0x177d5753, 258, 2152, 0, 1) + text('\\Storage Card\\boot\\', 260)
r += struct.pack('<I', 1) + text('keldos.gz', 260)
r += struct.pack('<3I', 0x0c108000, 0x02c20201, 2) + text('root.fs', 260)
r += struct.pack('<11I', 1, 0, 1, 0, 1, 7, 0, 1, 1, 0, 115200) + text('-x foo', 256)
assert len(r) == 2152
open(sys.argv[1], 'wb').write(r)
)";
    writeBytes(dir.path() / "make.py", script);
    ASSERT_EQ(testing_support::run("python3 " + (dir.path() / "make.py").string() + " " + file), 0);
    Result r = util(dir, "config show " + file);
    ASSERT_EQ(r.status, 0) << r.err;
    const char* lines[] = {
        "magic            = 0x177d5753\n",
        "version          = 258\n",
        "directorySaved   = 1\n",
        "directory        = \"\\Storage Card\\boot\\\"\n",
        "kernelName       = \"keldos.gz\"\n",
        "cpuId            = 0x0c108000\n",
        "machineId        = 0x02c20201\n",
        "rootDevice       = 2 (md)\n",
        "imageName        = \"root.fs\"\n",
        "serialConsole    = 1\n",
        "verbose          = 0\n",
        "singleUser       = 1\n",
        "kernelDebugger   = 1\n",
        "autoBootSeconds  = 7\n",
        "pauseBeforeBoot  = 1\n",
        "safetyMessage    = 0\n",
        "serialSpeed      = 115200\n",
        "extraOptions     = \"-x foo\"\n",
    };
    for (const char* line : lines)
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
}

TEST(ConfigCommand, SetCreatesAFileFromTheDefaults) {
    TempDir dir;
    std::string file = (dir.path() / "kestrel.cnf").string();
    Result r = util(dir, "config set " + file +
                             " 'directory=\\Storage Card\\' kernelName=keldos-test.gz rootDevice=sd"
                             " serialSpeed=9600 autoBootSeconds=5");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string bytes = readBytes(file);
    ASSERT_EQ(bytes.size(), 2152u);
    EXPECT_EQ(bytes.substr(0, 12),
              std::string("\x53\x57\x7d\x17\x02\x01\x00\x00\x68\x08\x00\x00", 12));
    Result shown = util(dir, "config show " + file);
    EXPECT_NE(shown.out.find("directorySaved   = 1\n"), std::string::npos);
    EXPECT_NE(shown.out.find("kernelName       = \"keldos-test.gz\"\n"), std::string::npos);
    EXPECT_NE(shown.out.find("rootDevice       = 1 (sd)\n"), std::string::npos);
    EXPECT_NE(shown.out.find("pauseBeforeBoot  = 1\n"), std::string::npos);  // a default
    EXPECT_NE(shown.out.find("imageName        = \"miniroot.fs\"\n"), std::string::npos);
}

TEST(ConfigCommand, BadInputLeavesTheFileAlone) {
    TempDir dir;
    std::string file = (dir.path() / "kestrel.cnf").string();
    ASSERT_EQ(util(dir, "config set " + file + " verbose=1").status, 0);
    std::string before = readBytes(file);
    struct Case {
        const char* args;
        const char* message;
    } cases[] = {
        {"nosuchfield=1", "unknown field 'nosuchfield'"},
        {"rootDevice=6", "bad value for rootDevice"},
        {"verbose=2", "bad value for verbose"},
        {"serialSpeed=-5", "bad value for serialSpeed"},
        {"serialSpeed=fast", "bad value for serialSpeed"},
        {"magic=0", "magic cannot be changed"},
        {"verbose", "expected FIELD=VALUE"},
    };
    for (const Case& c : cases) {
        Result r = util(dir, "config set " + file + " singleUser=1 " + c.args);
        EXPECT_NE(r.status, 0) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(readBytes(file), before) << c.args;
    }
    Result tooLong = util(dir, "config set " + file + " extraOptions=" + std::string(256, 'o'));
    EXPECT_NE(tooLong.status, 0);
    EXPECT_NE(tooLong.err.find("extraOptions is too long (at most 255"), std::string::npos);
    EXPECT_EQ(readBytes(file), before);
}

TEST(ConfigCommand, ForeignFilesAreRefused) {
    TempDir dir;
    std::string file = (dir.path() / "other.bin").string();
    writeBytes(file, std::string(2152, 'x'));
    Result show = util(dir, "config show " + file);
    EXPECT_NE(show.status, 0);
    EXPECT_NE(show.err.find("not a kestrel configuration file"), std::string::npos);
    EXPECT_NE(util(dir, "config set " + file + " verbose=1").status, 0);
    EXPECT_EQ(readBytes(file), std::string(2152, 'x'));
    EXPECT_NE(util(dir, "config show " + (dir.path() / "missing").string()).status, 0);
}

}  // namespace
