// File services over the device folder: case-insensitive paths, the storage
// card's attributes, creation, reading, seeking, and the errors.
#include <gtest/gtest.h>

#include <map>

#include "platform/ce/CeFile.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::DeviceFolder;

ce::HANDLE openRead(const char16_t* path) {
    return ce::CreateFileW(path, ce::GENERIC_READ, 0, nullptr, ce::OPEN_EXISTING,
                           ce::FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(Files, PathsIgnoreLetterCase) {
    DeviceFolder device;
    device.writeFile("Storage Card/Keldos.GZ", "kernel bytes");
    ce::HANDLE h = openRead(u"\\STORAGE CARD\\keldos.gz");
    ASSERT_NE(h, ce::INVALID_HANDLE_VALUE);
    char buffer[32] = {};
    ce::DWORD got = 0;
    ASSERT_TRUE(ce::ReadFile(h, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "kernel bytes");
    EXPECT_EQ(ce::GetFileSize(h, nullptr), 12u);
    EXPECT_EQ(ce::SetFilePointer(h, 7, nullptr, ce::FILE_BEGIN), 7u);
    ASSERT_TRUE(ce::ReadFile(h, buffer, 5, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "bytes");
    EXPECT_TRUE(ce::CloseHandle(h));
    EXPECT_FALSE(ce::CloseHandle(h));
    EXPECT_EQ(ce::GetLastError(), ce::ERROR_INVALID_HANDLE);
}

TEST(Files, OpenErrors) {
    DeviceFolder device;
    struct Case {
        const char16_t* path;
        ce::DWORD error;
    } cases[] = {
        {u"\\Storage Card\\missing", ce::ERROR_FILE_NOT_FOUND},      // no such file
        {u"\\No Card\\kernel", ce::ERROR_PATH_NOT_FOUND},            // no such folder
        {u"\\Storage Card", ce::ERROR_ACCESS_DENIED},                // a folder is no file
        {u"\\Storage Card\\..\\..\\etc", ce::ERROR_PATH_NOT_FOUND},  // never leaves root/
    };
    for (const Case& c : cases) {
        EXPECT_EQ(openRead(c.path), ce::INVALID_HANDLE_VALUE) << host::toUtf8(c.path);
        EXPECT_EQ(ce::GetLastError(), c.error) << host::toUtf8(c.path);
    }
}

TEST(Files, CreateAlwaysReplacesTheContent) {
    DeviceFolder device;
    device.writeFile("Storage Card/log.txt", "old content that is long");
    ce::HANDLE h = ce::CreateFileW(u"\\storage card\\LOG.TXT", ce::GENERIC_WRITE, 0, nullptr,
                                   ce::CREATE_ALWAYS, ce::FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, ce::INVALID_HANDLE_VALUE);
    ce::DWORD written = 0;
    EXPECT_TRUE(ce::WriteFile(h, "new", 3, &written, nullptr));
    EXPECT_EQ(written, 3u);
    EXPECT_TRUE(ce::FlushFileBuffers(h));
    ce::CloseHandle(h);
    EXPECT_EQ(device.readFile("Storage Card/log.txt"), "new");
}

TEST(Find, StorageCardsAreDirectoryAndTemporary) {
    DeviceFolder device;
    device.writeFile("My Documents/note.txt", "x");
    device.writeFile("boot.ini", "abc");
    ce::WIN32_FIND_DATAW data;
    ce::HANDLE find = ce::FindFirstFileW(u"\\*.*", &data);
    ASSERT_NE(find, ce::INVALID_HANDLE_VALUE);
    std::map<std::string, ce::DWORD> seen;
    do {
        seen[host::toUtf8(data.cFileName)] = data.dwFileAttributes;
    } while (ce::FindNextFileW(find, &data));
    EXPECT_EQ(ce::GetLastError(), ce::ERROR_NO_MORE_FILES);
    EXPECT_TRUE(ce::FindClose(find));
    EXPECT_EQ(seen["Storage Card"], 0x110u);
    EXPECT_EQ(seen["My Documents"], 0x10u);
    EXPECT_EQ(seen["boot.ini"] & 0x10u, 0u);
    EXPECT_EQ(seen.size(), 3u);
}

TEST(Find, PatternsAndEmptyResults) {
    DeviceFolder device;
    device.writeFile("Storage Card/a.gz", "1");
    device.writeFile("Storage Card/b.txt", "2");
    ce::WIN32_FIND_DATAW data;
    ce::HANDLE find = ce::FindFirstFileW(u"\\Storage Card\\*.GZ", &data);
    ASSERT_NE(find, ce::INVALID_HANDLE_VALUE);
    EXPECT_EQ(host::toUtf8(data.cFileName), "a.gz");
    EXPECT_EQ(data.nFileSizeLow, 1u);
    EXPECT_FALSE(ce::FindNextFileW(find, &data));
    ce::FindClose(find);
    EXPECT_EQ(ce::FindFirstFileW(u"\\Storage Card\\*.elf", &data), ce::INVALID_HANDLE_VALUE);
}

}  // namespace
