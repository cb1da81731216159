// The kestrel program on a device folder: the scripted input of its command
// line, the Console page and message boxes on standard output, the
// screenshot, and a run that ends by itself.
#include <gtest/gtest.h>

#include <fstream>

#include "support/DeviceFolder.h"

using testing_support::TempDir;

namespace {

struct ProgramRun {
    int status;
    std::string out;
};

ProgramRun kestrel(const std::filesystem::path& device, const std::string& arguments) {
    std::filesystem::path out = device / "out.txt";
    std::string command = "timeout 60 " KESTREL_BINARY_DIR "/host/tools/kestrel --device '" +
                          device.string() + "' " + arguments + " > '" + out.string() + "' 2>&1";
    int status = testing_support::run(command);
    return {status, testing_support::readBytes(out)};
}

std::filesystem::path device(const TempDir& dir, const std::string& conf) {
    std::filesystem::create_directories(dir.path() / "root" / "Storage Card");
    testing_support::writeBytes(dir.path() / "machine.conf", "com1 = none\n" + conf);
    return dir.path();
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(KestrelProgram, PressedBootShowsTheQuestionAndTheConsoleAndEnds) {
    TempDir dir;
    auto d = device(dir, "profile = jornada720\n");
    std::filesystem::path png = dir.path() / "screen.png";
    ProgramRun r =
        kestrel(d, "--tap 1003 --type vmlinux.gz --press boot --screenshot '" + png.string() + "'");
    EXPECT_EQ(r.status, 1) << "no kernel on this card:\n" << r.out;
    EXPECT_TRUE(contains(r.out, "[MessageBox \"WARNING\" 0x24]")) << r.out;
    EXPECT_TRUE(contains(r.out, "BOOT START\n")) << r.out;
    EXPECT_TRUE(std::filesystem::file_size(png) > 1000);
    std::string settings = testing_support::readBytes(d / "root" / "Storage Card" / "kestrel.cnf");
    ASSERT_EQ(settings.size(), 2152u);
    // kernelName: UTF-16LE at offset 544.
    std::string name;
    for (size_t i = 544; i + 1 < settings.size() && settings[i]; i += 2)
        name.push_back(settings[i]);
    EXPECT_EQ(name, "vmlinux.gz");
}

TEST(KestrelProgram, EndsByItselfAndTellsWhatWasWrong) {
    struct Row {
        const char* what;
        std::string arguments;
        int status;
        std::string says;
    };
    const Row rows[] = {
        {"Cancel ends the run", "--tap cancel", 1, "ended with code 0"},
        {"the close box ends the run", "--tap close", 1, "ended with code 0"},
        {"nothing to do ends the run", "", 1, "the kernel was not entered"},
        {"an unknown key is refused", "--key f13", 2, "expected a known key"},
        {"an unknown option is refused", "--fly", 2, "unknown option"},
    };
    for (const Row& row : rows) {
        TempDir dir;
        ProgramRun r = kestrel(device(dir, "profile = ipaq3900\n"), row.arguments);
        EXPECT_EQ(r.status, row.status) << row.what << "\n" << r.out;
        EXPECT_TRUE(contains(r.out, row.says)) << row.what << "\n" << r.out;
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "root" / "Storage Card" / "kestrel.cnf"))
            << row.what;
    }
}
