// kestrel-util cat: a file's content as the boot would read it, from a
// directory of the PC or from a device folder, with the system's own
// messages when it cannot be read.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

#include "support/DeviceFolder.h"

namespace {

using testing_support::readBytes;
using testing_support::run;
using testing_support::TempDir;
using testing_support::writeBytes;

using Result = testing_support::ToolResult;

Result cat(const TempDir&, const std::string& args) {
    return testing_support::runTool("kestrel-util", "cat " + args);
}

std::string content() {
    std::mt19937 rng(7);
    std::string s;
    while (s.size() < 200000)
        s += "line " + std::to_string(rng() % 1000) + "\n";
    return s;
}

// The content, stored as `name` in `folder`, compressed by gzip(1) when the
// name ends in .gz.
void store(const std::filesystem::path& folder, const std::string& name, const std::string& bytes) {
    writeBytes(folder / name, bytes);
    if (name.size() > 3 && name.substr(name.size() - 3) == ".gz") {
        std::filesystem::rename(folder / name, folder / "plain");
        ASSERT_EQ(run("gzip -c -9 '" + (folder / "plain").string() + "' > '" +
                      (folder / name).string() + "'"),
                  0);
    }
}

TEST(CatCommand, WritesTheContentOfAFileInADirectoryOfThePc) {
    TempDir dir;
    std::filesystem::path kernels = dir.path() / "kernels";
    store(kernels, "keldos.gz", content());
    store(kernels / "old", "keldos", content() + "plain");
    Result r = cat(dir, "'" + kernels.string() + "' keldos.gz");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, content());
    EXPECT_NE(r.err.find("open file \"\\keldos.gz\""), std::string::npos) << r.err;

    r = cat(dir, "'" + kernels.string() + "' 'old\\keldos'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, content() + "plain");
}

TEST(CatCommand, ReadsAHandheldDirectoryOfADeviceFolder) {
    TempDir dir;
    writeBytes(dir.path() / "device" / "machine.conf", "profile = ipaq3900\n");
    store(dir.path() / "device" / "root" / "Storage Card", "keldos.gz", content());
    Result r = cat(
        dir, "--device '" + (dir.path() / "device").string() + "' '\\Storage Card\\' keldos.gz");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, content());
}

// gzip's member header, deflate data of `content` ended on a byte boundary,
// then a final block of the reserved type 3: invalid data half way.
std::string memberWithInvalidBlock(const std::string& content) {
    z_stream s{};
    EXPECT_EQ(deflateInit2(&s, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string data(content.size() + 1024, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    s.avail_in = uInt(content.size());
    s.next_out = reinterpret_cast<Bytef*>(data.data());
    s.avail_out = uInt(data.size());
    EXPECT_EQ(deflate(&s, Z_SYNC_FLUSH), Z_OK);
    data.resize(data.size() - s.avail_out);
    deflateEnd(&s);
    return std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10) + data + '\x07' +
           std::string(8, '\0');
}

TEST(CatCommand, FailsWithTheSystemsMessage) {
    TempDir dir;
    std::filesystem::path kernels = dir.path() / "kernels";
    store(kernels, "keldos.gz", content());
    std::string damaged = readBytes(kernels / "keldos.gz");
    damaged[damaged.size() - 6] ^= 1;  // the stored CRC
    writeBytes(kernels / "damaged.gz", damaged);
    writeBytes(kernels / "cut.gz", damaged.substr(0, damaged.size() / 2));
    writeBytes(kernels / "invalid.gz", memberWithInvalidBlock(content()));
    struct Row {
        const char* what;
        std::string args;
        std::string message;
    };
    const Row rows[] = {
        {"no such file", "'" + kernels.string() + "' missing",
         "can't open \"\\missing\". cause = 2\n"},
        {"a damaged member", "'" + kernels.string() + "' damaged.gz", "read failed after"},
        {"the gzip layer names a wrong CRC", "'" + kernels.string() + "' damaged.gz",
         "gzip: CRC-32 mismatch"},
        {"a file cut short inside the deflate data", "'" + kernels.string() + "' cut.gz",
         "gzip: compressed data cut short"},
        {"invalid deflate data", "'" + kernels.string() + "' invalid.gz",
         "gzip: invalid compressed data"},
        {"a device folder that is not one", "--device '" + dir.path().string() + "' '\\' k",
         "no machine.conf"},
        {"no directory and name", "", "usage: kestrel-util cat"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Result r = cat(dir, row.args);
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
    }
}

}  // namespace
