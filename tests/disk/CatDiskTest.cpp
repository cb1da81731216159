// kestrel-util cat on disks: a bare disk image, or a device folder's disk.
#include <gtest/gtest.h>

#include "DiskImages.h"
#include "support/DeviceFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace disk_testing;
using testing_support::readBytes;
using testing_support::run;
using testing_support::TempDir;
using testing_support::writeBytes;

using Result = testing_support::ToolResult;

Result cat(const TempDir&, const std::string& args) {
    return testing_support::runTool("kestrel-util", "cat " + args);
}

class CatDiskTest : public ::testing::Test {
  protected:
    void SetUp() override {
        kernel_ = patternBytes(120000, 21);
        writeBytes(work_.path() / "tree/boot/kernel", kernel_);
        ASSERT_EQ(run("gzip -k -9 '" + (work_.path() / "tree/boot/kernel").string() + "'"), 0);
        ASSERT_TRUE(makeUfs(image(), work_.path() / "tree", 8192, 1024, "-b 10%"));
    }
    fs::path image() const { return work_.path() / "ufs.img"; }

    TempDir work_;
    std::string kernel_;
};

TEST_F(CatDiskTest, BareImage) {
    struct Row {
        const char* path;
        bool ok;
    } rows[] = {{"/boot/kernel.gz", true}, {"boot/kernel", true}, {"boot/none", false}};
    for (const Row& row : rows) {
        Result r = cat(work_, "'" + image().string() + "' " + row.path);
        EXPECT_EQ(r.status == 0, row.ok) << row.path << r.err;
        if (row.ok) {
            EXPECT_TRUE(r.out == kernel_) << row.path;
        }
        if (!row.ok) {
            EXPECT_NE(r.err.find("failed.\n"), std::string::npos) << r.err;
        }
    }
}

TEST_F(CatDiskTest, DeviceFolderDisk) {
    fs::path device = work_.path() / "device";
    fs::create_directories(device / "root");
    writeBytes(device / "machine.conf", "profile = jornada720\ncom1 = none\n");
    uint32_t sectors = uint32_t(fs::file_size(image()) / kSector);
    makeDisk(device / "disks/DSK3.img", 128 + sectors,
             {"start=128, size=" + std::to_string(sectors) + ", type=a9"});
    placeImage(device / "disks/DSK3.img", 128, image());
    Result r = cat(work_, "--device '" + device.string() + "' 3:/ /boot/kernel.gz");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out == kernel_);
    EXPECT_NE(r.err.find("FileManager: UFS\n"), std::string::npos) << r.err;
    // Unit 1 has no disk: the root cannot be set.
    r = cat(work_, "--device '" + device.string() + "' 1:/ /boot/kernel.gz");
    EXPECT_NE(r.status, 0);
}

}  // namespace
