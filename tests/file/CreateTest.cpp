// The creation operation: the gzip layer over the backend for a kind.
#include <gtest/gtest.h>

#include <memory>

#include "file/FileManager.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;

TEST(CreateTest, KindZeroReadsLocalFiles) {
    DeviceFolder device;
    CaptureConsole console;
    Console* slot = &console;
    std::unique_ptr<FileManager> files(FileManager::create(slot, FileManager::kLocal));
    ASSERT_TRUE(files);
    EXPECT_EQ(console.utf8(), "FileManager: FAT\n");
    device.writeFile("kernel", "ELF?");
    ASSERT_TRUE(files->setRoot(u"\\"));
    ASSERT_TRUE(files->open(u"kernel", 3));
    char bytes[4];
    EXPECT_EQ(files->read(bytes, 4, 0), 4);
    EXPECT_EQ(std::string(bytes, 4), "ELF?");
}

// Messages go to whatever console the slot holds when they are printed.
TEST(CreateTest, PrintsThroughTheConsoleTheSlotHoldsNow) {
    DeviceFolder device;
    CaptureConsole before, after;
    Console* slot = &before;
    std::unique_ptr<FileManager> files(FileManager::create(slot, FileManager::kLocal));
    ASSERT_TRUE(files);
    slot = &after;
    ASSERT_TRUE(files->setRoot(u"\\"));
    EXPECT_FALSE(files->open(u"missing", 3));
    EXPECT_EQ(before.utf8(), "FileManager: FAT\n");
    EXPECT_EQ(after.utf8(), "can't open \"\\missing\". cause = 2\n");
}

// Until their readers exist, the other kinds give no file manager at all
// rather than one without a backend. (UFS: 1 and every value but 0 and 2.)
TEST(CreateTest, KindsWithoutAReaderInThisBuildGiveNothing) {
    DeviceFolder device;
    CaptureConsole console;
    Console* slot = &console;
    for (uint32_t kind : {1u, 2u, 3u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(kind);
        std::unique_ptr<FileManager> files(FileManager::create(slot, kind));
        EXPECT_FALSE(files);
    }
}

}  // namespace
