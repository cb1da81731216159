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
    ASSERT_TRUE(files->open(u"kernel", FileManager::kOpenMode));
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
    EXPECT_FALSE(files->open(u"missing", FileManager::kOpenMode));
    EXPECT_EQ(before.utf8(), "FileManager: FAT\n");
    EXPECT_EQ(after.utf8(), "can't open \"\\missing\". cause = 2\n");
}

// Kind 2 reads from a web server; 1 and every other value but 0 and 2 from a
// UFS partition.
TEST(CreateTest, OtherKindsChooseTheWebServerOrUfs) {
    DeviceFolder device;
    struct Row {
        uint32_t kind;
        const char* printed;
    } rows[] = {{2, "FileManager: HTTP\n"},
                {1, "FileManager: UFS\n"},
                {3, "FileManager: UFS\n"},
                {0xFFFFFFFF, "FileManager: UFS\n"}};
    for (const Row& row : rows) {
        CaptureConsole console;
        Console* slot = &console;
        std::unique_ptr<FileManager> files(FileManager::create(slot, row.kind));
        ASSERT_TRUE(files) << row.kind;
        EXPECT_EQ(console.utf8(), row.printed) << row.kind;
    }
}

}  // namespace
