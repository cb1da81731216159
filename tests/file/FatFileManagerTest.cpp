// Local files: the path join, reads at the current position, the messages
// of every failure, and paths that do not fit the buffers.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ce/HandleTable.h"
#include "file/fat/FatFileManager.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;

class FatFileManagerTest : public ::testing::Test {
  protected:
    explicit FatFileManagerTest(const std::string& extra = "") : device("jornada720", extra) {}

    std::string readString(uint32_t count, uint32_t offset) {
        std::string bytes(count, '\0');
        int32_t n = files->read(bytes.data(), count, offset);
        bytes.resize(n > 0 ? size_t(n) : 0);
        return bytes;
    }

    DeviceFolder device;
    CaptureConsole console;
    Console* slot = &console;
    std::unique_ptr<FatFileManager> files = std::make_unique<FatFileManager>(slot);
};

TEST_F(FatFileManagerTest, AnnouncesItselfAtConstruction) {
    EXPECT_EQ(console.utf8(), "FileManager: FAT\n");
    EXPECT_EQ(files->debugLevel, 1);
}

// The shared fields in their order: after the table pointer the console
// slot, then the debug level, then the 8-bit name buffer.
TEST_F(FatFileManagerTest, SharedFieldsFollowTheTablePointerInOrder) {
    struct Fields : FatFileManager {
        using FatFileManager::FatFileManager;
        size_t offsetOf(const void* field) const {
            return size_t(static_cast<const char*>(field) -
                          reinterpret_cast<const char*>(static_cast<const FileManager*>(this)));
        }
        size_t debugLevelAt() const { return offsetOf(&debugLevel); }
        size_t asciiPathAt() const { return offsetOf(asciiPath); }
    } fields(slot);
    EXPECT_EQ(fields.debugLevelAt(), 2 * sizeof(void*));  // table pointer, console slot
    EXPECT_EQ(fields.asciiPathAt(), fields.debugLevelAt() + sizeof(int32_t));
}

TEST_F(FatFileManagerTest, JoinsDirectoryAndNameWithoutSeparator) {
    device.writeFile("Storagekernel", "joined");
    ASSERT_TRUE(files->setRoot(u"\\Storage"));
    ASSERT_TRUE(files->open(u"kernel", FileManager::kOpenMode));
    EXPECT_NE(console.utf8().find("open file \"\\Storagekernel\"(6 byte).\n"), std::string::npos)
        << console.utf8();
    EXPECT_EQ(readString(6, 0), "joined");
    EXPECT_TRUE(files->close());
}

TEST_F(FatFileManagerTest, ReadsAtOffsetsAndContinuesWhereTheLastReadOrSeekEnded) {
    device.writeFile("Storage Card/k", "0123456789abcdef");
    ASSERT_TRUE(files->setRoot(u"\\Storage Card\\"));
    ASSERT_TRUE(files->open(u"k", FileManager::kOpenMode));
    EXPECT_EQ(files->size(), 16u);
    EXPECT_EQ(files->realSize(), files->size());
    EXPECT_EQ(readString(4, 6), "6789");
    EXPECT_EQ(readString(3, FileManager::kCurrentPosition), "abc");  // continues after the read
    EXPECT_TRUE(files->seek(1));
    EXPECT_EQ(readString(2, FileManager::kCurrentPosition), "12");  // continues after the seek
    EXPECT_EQ(readString(10, 12), "cdef");                          // short at the end
    EXPECT_EQ(readString(4, 100), "");                              // past the end
    EXPECT_TRUE(files->close());
}

TEST_F(FatFileManagerTest, ReportsAFileThatCannotBeOpenedWithItsCause) {
    ASSERT_TRUE(files->setRoot(u"\\Storage Card\\"));
    EXPECT_FALSE(files->open(u"missing", FileManager::kOpenMode));
    EXPECT_NE(console.utf8().find("can't open \"\\Storage Card\\missing\". cause = 2\n"),
              std::string::npos)
        << console.utf8();
    EXPECT_FALSE(files->open(u"no folder\\kernel", FileManager::kOpenMode));
    EXPECT_NE(console.utf8().find("can't open \"\\Storage Card\\no folder\\kernel\". cause = 3\n"),
              std::string::npos)
        << console.utf8();
}

// A long directory of exactly 259 characters fits; 260 does not. A directory
// and name are refused as soon as together they need 260 or more.
TEST_F(FatFileManagerTest, RefusesPathsThatDoNotFitTheBuffers) {
    std::u16string fits(259, u'd');
    EXPECT_TRUE(files->setRoot(fits.c_str()));
    EXPECT_FALSE(files->setRoot((fits + u"d").c_str()));
    EXPECT_NE(console.utf8().find("directory too long (260 characters, at most 259).\n"),
              std::string::npos)
        << console.utf8();

    std::u16string root = u"\\" + std::u16string(250, u'r');
    ASSERT_TRUE(files->setRoot(root.c_str()));
    size_t handlesBefore = host::handles().openCount();
    EXPECT_FALSE(files->open(u"kernel.gz", FileManager::kOpenMode));  // 251 + 9 = 260 units
    EXPECT_NE(console.utf8().find("path too long (260 characters, at most 259)"), std::string::npos)
        << console.utf8();
    EXPECT_EQ(host::handles().openCount(), handlesBefore);
    // One unit less reaches the platform, which then finds no such file.
    EXPECT_FALSE(files->open(u"kernel.g", FileManager::kOpenMode));
    EXPECT_NE(console.utf8().find("can't open \"\\rrr"), std::string::npos) << console.utf8();
}

class FatFileManagerDeviceTest : public FatFileManagerTest {
  protected:
    FatFileManagerDeviceTest() : FatFileManagerTest("com1 = file:com1.out") {}
};

// A device opens like a file but has no size: the open fails and closes it.
TEST_F(FatFileManagerDeviceTest, RefusesAFileWithoutSizeAndClosesIt) {
    ASSERT_TRUE(files->setRoot(u""));
    size_t handlesBefore = host::handles().openCount();
    EXPECT_FALSE(files->open(u"COM1:", FileManager::kOpenMode));
    EXPECT_NE(console.utf8().find("can't get file size.\n"), std::string::npos) << console.utf8();
    EXPECT_EQ(console.utf8().find("open file"), std::string::npos);
    EXPECT_EQ(host::handles().openCount(), handlesBefore);
}

TEST_F(FatFileManagerTest, ClosesAFileLeftOpenWhenDestroyedOrReopened) {
    device.writeFile("a", "a");
    ASSERT_TRUE(files->setRoot(u"\\"));
    size_t handlesBefore = host::handles().openCount();
    ASSERT_TRUE(files->open(u"a", FileManager::kOpenMode));
    ASSERT_TRUE(files->open(u"a", FileManager::kOpenMode));
    EXPECT_EQ(host::handles().openCount(), handlesBefore + 1);
    files.reset();
    EXPECT_EQ(host::handles().openCount(), handlesBefore);
}

}  // namespace
