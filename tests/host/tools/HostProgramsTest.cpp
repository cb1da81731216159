// kestrel and kestrel-util as a person uses them: help, mistakes in the
// command line named with what is accepted, the exit statuses, the device
// folder a run writes into (never the source tree), scripted input that is
// checked step by step, and output whose lines stay whole and readable.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "support/DeviceFolder.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readBytes;
using testing_support::run;
using testing_support::runTool;
using testing_support::TempDir;
using testing_support::writeBytes;
using Result = testing_support::ToolResult;

const fs::path kBuiltExamples = fs::path(KESTREL_BINARY_DIR) / "examples";
const fs::path kSourceExamples = fs::path(KESTREL_SOURCE_DIR) / "examples";

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A copy of a built example handheld (with the demo kernel on its card).
fs::path copyExample(const TempDir& dir, const std::string& name) {
    fs::path to = dir.path() / name;
    fs::copy(kBuiltExamples / name, to, fs::copy_options::recursive);
    return to;
}

// A device folder with no kernel: an empty card.
fs::path emptyDevice(const TempDir& dir, const std::string& conf = "") {
    fs::create_directories(dir.path() / "root" / "Storage Card");
    writeBytes(dir.path() / "machine.conf", "profile = jornada720\ncom1 = none\n" + conf);
    return dir.path();
}

std::string lastLine(const std::string& text) {
    size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos)
        return "";
    size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - start);
}

// Every file under `dir` with its size, to see that a run left it alone.
std::string listing(const fs::path& dir) {
    std::string out;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        out += e.path().string();
        if (e.is_regular_file())
            out += " " + std::to_string(e.file_size());
        out += "\n";
    }
    return out;
}

TEST(HostPrograms, HelpExplainsTheOptionsAndTheExitStatuses) {
    struct Row {
        const char* program;
        const char* args;
        const char* says;
    };
    const Row rows[] = {
        {"kestrel", "--help", "Exit status: 0 the kernel was entered and halted"},
        {"kestrel", "--help", "--budget N"},
        {"kestrel-util", "--help", "Exit status: 0 done"},
        {"kestrel-util", "cat --help", "usage: kestrel-util cat"},
        {"kestrel-util", "config --help", "usage: kestrel-util config show FILE"},
        {"kestrel-util", "plan --help", "usage: kestrel-util plan"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.program) + " " + row.args);
        Result r = runTool(row.program, row.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(has(r.out, row.says)) << r.out;
    }
}

TEST(HostPrograms, UsageMistakesNameTheOptionAndWhatItAccepts) {
    TempDir dir;
    std::string cnf = (dir.path() / "kestrel.cnf").string();
    struct Row {
        const char* program;
        std::string args;
        const char* says;
    };
    const Row rows[] = {
        {"kestrel", "--budget abc", "--budget 'abc': expected a number of instructions, 1 or more"},
        {"kestrel", "--budget 0", "--budget '0': expected a number of instructions, 1 or more"},
        {"kestrel", "--budget", "--budget needs a value: N"},
        {"kestrel", "--tap tab:x", "--tap 'tab:x': expected boot, cancel, close, tab:0"},
        {"kestrel", "--answer WARNING=maybe", "ANSWER yes, no, ok or cancel"},
        {"kestrel", "--key f13", "--key 'f13': expected a known key: tab, shift+tab"},
        {"kestrel", "--pick 1002", "--pick '1002': expected ID=ENTRY"},
        {"kestrel", "--press cancel", "--press 'cancel': expected boot"},
        {"kestrel", "--fly", "unknown option --fly"},
        {"kestrel", "--screenshot /nonexistent-folder/x.png",
         "--screenshot '/nonexistent-folder/x.png': there is no folder /nonexistent-folder"},
        {"kestrel", "--device " + (dir.path() / "nothing").string(), "no machine.conf"},
        {"kestrel-util", "", "usage: kestrel-util COMMAND"},
        {"kestrel-util", "frob", "unknown command 'frob'"},
        {"kestrel-util", "config", "expected show or set"},
        {"kestrel-util", "config frob " + cnf, "unknown action 'frob' (show or set)"},
        {"kestrel-util", "config show", "expected FILE"},
        {"kestrel-util", "config set " + cnf + " rootDevice=xx",
         "bad value for rootDevice: 'xx' (0 to 5, or wd, sd, md, nfs, dk, ld)"},
        {"kestrel-util", "config set " + cnf + " nosuchfield=1", "unknown field 'nosuchfield'"},
        {"kestrel-util", "config set " + cnf + " verbose", "expected FIELD=VALUE"},
        {"kestrel-util", "cat --fly a b", "unknown option --fly"},
        {"kestrel-util", "cat a", "expected DIR and NAME"},
        {"kestrel-util", "cat --device", "--device needs a value"},
        {"kestrel-util", "plan --profile jornada a b",
         "--profile 'jornada': the built-in machines are jornada720, ipaq3900, wzero3"},
        {"kestrel-util", "plan a", "expected DIR, NAME"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.program) + " " + row.args);
        Result r = runTool(row.program, row.args);
        EXPECT_EQ(r.status, 2) << r.out << r.err;
        EXPECT_TRUE(has(r.err, row.says)) << r.err;
    }
    EXPECT_FALSE(fs::exists(cnf)) << "a refused set writes nothing";
}

TEST(HostPrograms, MachineConfMistakesAreNamedWithTheirLine) {
    struct Row {
        const char* conf;
        const char* says;
    };
    const Row rows[] = {
        {"foo = bar\n", "machine.conf: line 3: unknown key foo"},
        {"net.timeout_ms = abc\n", "line 3: bad value for net.timeout_ms: 'abc'"},
        {"com1 = stdot\n", "line 3: bad value for com1: 'stdot' (stdout, none or file:NAME)"},
        {"profile = ipaq\n", "the built-in machines are jornada720, ipaq3900, wzero3"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.conf);
        TempDir dir;
        Result r = runTool("kestrel", "--device '" + emptyDevice(dir, row.conf).string() + "'");
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(has(r.err, row.says)) << r.err;
    }
}

TEST(HostPrograms, CatOfAPathOfThisPcThatIsNotThereSaysSo) {
    Result r = runTool("kestrel-util", "cat /nonexistent-folder x");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.err, "no directory or disk image /nonexistent-folder on this PC")) << r.err;
}

TEST(HostPrograms, CatPrintsTheReasonOfAFailureOnStderr) {
    TempDir dir;
    Result r = runTool("kestrel-util", "cat '" + dir.path().string() + "' missing");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.err, "kestrel-util cat: cannot open missing")) << r.err;
    EXPECT_FALSE(fs::exists(dir.path() / "debug.log"));
}

TEST(HostPrograms, WithoutADeviceKestrelRunsOnAScratchCopyOfTheBuiltExample) {
    std::string sourceBefore = listing(kSourceExamples);
    // (Other tests run on the other built examples at the same time.)
    std::string builtBefore = listing(kBuiltExamples / "jornada720");
    Result r =
        runTool("kestrel", "--tap 153 --answer 'Last chance...=no' --press boot --tap cancel");
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_TRUE(has(r.out, "from a scratch copy of " + (kBuiltExamples / "jornada720").string()))
        << r.out;
    EXPECT_TRUE(has(r.out, "Last chance")) << r.out;
    EXPECT_EQ(listing(kSourceExamples), sourceBefore);
    EXPECT_EQ(listing(kBuiltExamples / "jornada720"), builtBefore);
}

TEST(HostPrograms, AnExampleFolderOfTheSourceTreeMeansItsBuiltCopy) {
    std::string sourceBefore = listing(kSourceExamples);
    for (const char* form : {"examples/wzero3", "examples/wzero3/", "./examples/ipaq3900"}) {
        SCOPED_TRACE(form);
        Result r =
            runTool("kestrel", "--device '" + (fs::path(KESTREL_SOURCE_DIR) / form).string() +
                                   "' --tap cancel");
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        EXPECT_TRUE(has(r.out, "(the built copy of examples/")) << r.out;
    }
    EXPECT_EQ(listing(kSourceExamples), sourceBefore);
}

TEST(HostPrograms, ScriptStepsThatFindNothingAreErrors) {
    struct Row {
        const char* args;
        const char* says;
    };
    const Row rows[] = {
        {"--tap 9999", "input step 1 (--tap 9999): no control has the id 9999"},
        {"--tap 5000,5000", "input step 1 (--tap 5000,5000): there is no window at 5000,5000"},
        {"--tap tab:3", "input step 1 (--tap tab:3): there is no tab 3 (the tabs are 0 to 2)"},
        {"--tap 153 --pick 1002=99", "input step 2 (--pick 1002=99): list 1002 has no entry 99"},
        {"--pick 1003=x", "input step 1 (--pick 1003=x): control 1003 is no list"},
        {"--pick 1002=Jornada", "list 1002 has no entry 'Jornada' (its entries: 0 "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        TempDir dir;
        Result r = runTool("kestrel", "--device '" + emptyDevice(dir).string() + "' " + row.args);
        EXPECT_EQ(r.status, 2) << r.out << r.err;
        EXPECT_TRUE(has(r.err, row.says)) << r.err;
        EXPECT_FALSE(fs::exists(dir.path() / "root" / "Storage Card" / "kestrel.cnf"));
    }
}

TEST(HostPrograms, TheLastLineSaysWhyTheRunEnded) {
    struct Row {
        const char* args;
        const char* last;
    };
    const Row rows[] = {
        {"",
         "kestrel: the application waited for input and the script had none left; the "
         "kernel was not entered"},
        {"--tap cancel", "kestrel: the application ended with code 0; the kernel was not entered"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        TempDir dir;
        Result r = runTool("kestrel", "--device '" + emptyDevice(dir).string() + "' " + row.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(lastLine(r.out), row.last) << r.out;
    }
}

TEST(HostPrograms, InputLeftAfterTheApplicationQuitIsReported) {
    TempDir dir;
    Result r =
        runTool("kestrel", "--device '" + emptyDevice(dir).string() + "' --tap cancel --tap 153");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.out, "kestrel: 1 input step was not used: step 2 (--tap 153)")) << r.out;
}

TEST(HostPrograms, AnswersForOneCaptionAreUsedInOrderTheLastRepeating) {
    TempDir dir;
    fs::path device = copyExample(dir, "jornada720");
    Result r = runTool("kestrel", "--device '" + device.string() +
                                      "' --answer 'Last chance...=no' --answer 'Last chance...=yes'"
                                      " --press boot --press boot");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    size_t no = r.out.find("[MessageBox \"Last chance...\"");
    ASSERT_NE(no, std::string::npos) << r.out;
    EXPECT_TRUE(has(r.out.substr(no, r.out.find('\n', no) - no), "-> No")) << r.out;
    size_t yes = r.out.find("[MessageBox \"Last chance...\"", no + 1);
    ASSERT_NE(yes, std::string::npos) << r.out;
    EXPECT_TRUE(has(r.out.substr(yes, r.out.find('\n', yes) - yes), "-> Yes")) << r.out;
}

TEST(HostPrograms, SerialBytesComeAsMarkedReadableLines) {
    TempDir dir;
    fs::path device = copyExample(dir, "jornada720");
    ASSERT_EQ(run(KESTREL_BINARY_DIR "/host/tools/kestrel-util config set '" +
                  (device / "root" / "Storage Card" / "kestrel.cnf").string() +
                  "' serialConsole=1 > /dev/null"),
              0);
    Result r = runTool("kestrel", "--device '" + device.string() + "' --press boot");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out.find('\0'), std::string::npos);
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    EXPECT_TRUE(has(r.out, "\n[UART] kernel: ")) << r.out;
    // A box's text of two lines: the second indented under the first.
    EXPECT_TRUE(has(r.out,
                    "\n[MessageBox \"WARNING\" 0x24] Data in memory will be lost.\n"
                    "  Are you sure? -> Yes\n"))
        << r.out;
    // Every line is a Console-page line, a message box, a marked serial line
    // or one of kestrel's own.
    size_t start = 0;
    while (start < r.out.size()) {
        size_t end = r.out.find('\n', start);
        std::string line = r.out.substr(start, end - start);
        if (line.rfind("kernel:", 0) == 0)
            ADD_FAILURE() << "an unmarked UART line: " << line;
        start = end == std::string::npos ? r.out.size() : end + 1;
    }
}

TEST(HostPrograms, Com1IntoAFileIsByteForByte) {
    TempDir dir;
    fs::path device = copyExample(dir, "jornada720");
    std::string conf = readBytes(device / "machine.conf");
    writeBytes(device / "machine.conf", conf + "com1 = file:com1.bin\n");
    ASSERT_EQ(run(KESTREL_BINARY_DIR "/host/tools/kestrel-util config set '" +
                  (device / "root" / "Storage Card" / "kestrel.cnf").string() +
                  "' serialConsole=1 > /dev/null"),
              0);
    Result r = runTool("kestrel", "--device '" + device.string() + "' --press boot");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::string bytes = readBytes(device / "com1.bin");
    EXPECT_FALSE(bytes.empty());
    EXPECT_FALSE(has(r.out, "[COM1]")) << r.out;
}

TEST(HostPrograms, DebugLogHoldsTheLastRunOnly) {
    TempDir dir;
    fs::path device = emptyDevice(dir);
    writeBytes(device / "debug.log", std::string(100000, 'x'));
    Result r = runTool("kestrel", "--device '" + device.string() + "' --tap cancel");
    EXPECT_EQ(r.status, 1);
    EXPECT_LT(fs::exists(device / "debug.log") ? fs::file_size(device / "debug.log") : 0, 100000u);
}

// The pictures in docs/ are what kestrel draws today: each line of
// docs/screenshots.list rendered again must give the same PNG bytes
// (scripts/screenshots.sh makes them anew).
TEST(HostPrograms, DocsScreenshotsAreCurrent) {
    const fs::path docs = fs::path(KESTREL_SOURCE_DIR) / "docs";
    std::istringstream list(readBytes(docs / "screenshots.list"));
    std::string line;
    int shots = 0;
    while (std::getline(list, line)) {
        std::istringstream words(line);
        std::string file, example, word, input;
        if (!(words >> file >> example) || file[0] == '#')
            continue;
        while (words >> word)
            input += " '" + word + "'";
        SCOPED_TRACE(file);
        TempDir dir;
        fs::path device = copyExample(dir, example), png = dir.path() / file;
        runTool("kestrel", "--device '" + device.string() + "'" + input + " --screenshot '" +
                               png.string() + "'");
        ASSERT_TRUE(fs::exists(png));
        EXPECT_TRUE(readBytes(png) == readBytes(docs / file))
            << "docs/" << file << " is out of date: run scripts/screenshots.sh";
        ++shots;
    }
    EXPECT_EQ(shots, 3);
}

}  // namespace
