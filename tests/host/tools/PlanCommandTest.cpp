// kestrel-util plan: the loader's steps on a simulated handheld and the
// check of the walked chain against the ELF file.
#include <gtest/gtest.h>

#include <string>

#include "support/DeviceFolder.h"

namespace {

using testing_support::readBytes;
using testing_support::run;
using testing_support::TempDir;

const std::string kKernels = KESTREL_BINARY_DIR "/kernels";

using Result = testing_support::ToolResult;

Result plan(const std::string& args) {
    return testing_support::runTool("kestrel-util", "plan " + args);
}

TEST(PlanCommand, KernelsFromTheCrossCompilerLandInPlace) {
    struct Row {
        std::string args;
        const char* expect;  // a line the plan prints
    } rows[] = {
        {kKernels + " kernel.elf", "(with the symbol block)"},               // plain, with symbols
        {kKernels + " kernel.elf.gz miniroot.fs", "[file system image]\n"},  // gunzipped, image
        {kKernels + " kernel-descending.elf", "every loaded byte in place"},
        {"--profile wzero3 " + kKernels + " kernel-pxa.elf", "every loaded byte in place"},
        {kKernels + " kernel-stripped.elf", "No symbol and/or string table in binary."},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.args);
        Result result = plan(r.args);
        EXPECT_EQ(result.status, 0) << result.out << result.err;
        // The boot's own steps, in the boot's order.
        EXPECT_NE(result.out.find("Loader: ELF\n[progress] 6\nfile size: "), std::string::npos)
            << result.out;
        EXPECT_NE(result.out.find("[progress] 10\n"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("every loaded byte in place"), std::string::npos);
        EXPECT_NE(result.out.find(r.expect), std::string::npos) << result.out;
    }
}

TEST(PlanCommand, RefusesWhatTheBootRefuses) {
    struct Row {
        std::string args;
        int status;  // 1 a refused kernel, 2 a mistake in the command line
        const char* out;
        const char* err;
    } rows[] = {
        {kKernels + " miniroot.fs", 1, "unknown file format.\n", "Can't attach loader."},
        {kKernels + " no-such-kernel", 1, "[progress] 4\n", "Can't open kernel image."},
        {kKernels, 2, "", "usage: kestrel-util plan"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.args);
        Result result = plan(r.args);
        EXPECT_EQ(result.status, r.status);
        EXPECT_NE(result.out.find(r.out), std::string::npos) << result.out;
        EXPECT_NE(result.err.find(r.err), std::string::npos) << result.err;
    }
}

}  // namespace
