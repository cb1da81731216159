// kestrel-util cat on disks: a bare disk image, or a device folder's disk.
#include <gtest/gtest.h>

#include "support/DeviceFolder.h"
#include "support/DiskImages.h"

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

TEST_F(CatDiskTest, DamagedBlockPointersFail) {
    // The stored files use direct blocks and the single indirect block (8 KiB
    // blocks, 1 KiB fragments); a pointer past the file system in any of
    // them makes cat fail, never deliver a shorter file.
    std::string plain = kernel_;
    std::string gzipped = readBytes(work_.path() / "tree/boot/kernel.gz");
    std::string bytes = readBytes(image());
    uint32_t fragments = uint32_t(bytes.size() / 1024);
    struct Row {
        const char* path;
        const std::string* stored;
        uint32_t field;  // byte offset in the inode
        const char* why;
    } rows[] = {
        {"boot/kernel", &plain, 40, "first direct block"},
        {"boot/kernel", &plain, 44, "second direct block"},
        {"boot/kernel", &plain, 88, "single indirect block"},
        {"boot/kernel.gz", &gzipped, 40, "first direct block of a gzip file"},
        {"boot/kernel.gz", &gzipped, 84, "last direct block of a gzip file"},
        {"boot/kernel.gz", &gzipped, 88, "single indirect block of a gzip file"},
    };
    for (const Row& row : rows) {
        std::string damaged = bytes;
        // The file's first block (gzip stores random data as it is, so the
        // plain bytes are in the gzip file too, at another alignment).
        size_t at = bytes.find(row.stored->substr(0, 8192));
        while (at != std::string::npos && at % 1024 != 0)
            at = bytes.find(row.stored->substr(0, 8192), at + 1);
        ASSERT_NE(at, std::string::npos) << row.why;
        uint32_t first = uint32_t(at / 1024);
        size_t inode = findInode(bytes, row.stored->size(), first);
        ASSERT_NE(inode, std::string::npos) << row.why;
        damaged.replace(inode + row.field, 4, le32Bytes(fragments + 100));
        fs::path copy = work_.path() / "damaged.img";
        writeBytes(copy, damaged);
        Result r = cat(work_, "'" + copy.string() + "' " + row.path);
        EXPECT_NE(r.status, 0) << row.why << ": " << r.out.size() << " bytes";
        EXPECT_NE(r.err.find("beyond the file system"), std::string::npos) << row.why << r.err;
        EXPECT_NE(r.err.find("read error 5 in"), std::string::npos) << row.why << r.err;
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
