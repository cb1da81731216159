#include "file/fat/FatFileManager.h"

#include "console/Console.h"
#include "platform/ce/CeFile.h"
#include "platform/ce/CeText.h"

FatFileManager::FatFileManager(Console*& console)
    : FileManager(console), handle(ce::INVALID_HANDLE_VALUE) {
    debugLevel = 1;
    this->console->print(TEXT("FileManager: FAT\n"));
}

FatFileManager::~FatFileManager() {
    // A caller that forgot close() would otherwise leave the file open for
    // the rest of the run.
    if (handle != ce::INVALID_HANDLE_VALUE)
        ce::CloseHandle(handle);
}

bool FatFileManager::setRoot(const ce::WCHAR* directory) {
    size_t length = ce::wcslen(directory);
    if (length >= size_t(ce::MAX_PATH)) {
        console->print(TEXT("directory too long (%d characters, at most %d).\n"), int(length),
                       ce::MAX_PATH - 1);
        return false;
    }
    ce::wcscpy(rootDirectory, directory);
    ce::wcscpy(fullPath, directory);
    return true;
}

bool FatFileManager::open(const ce::WCHAR* name, uint32_t mode) {
    if (handle != ce::INVALID_HANDLE_VALUE)
        close();  // one file at a time
    size_t length = ce::wcslen(rootDirectory) + ce::wcslen(name);
    if (length >= size_t(ce::MAX_PATH)) {
        console->print(TEXT("path too long (%d characters, at most %d): \"%s%s\"\n"), int(length),
                       ce::MAX_PATH - 1, rootDirectory, name);
        return false;
    }
    ce::_snwprintf(fullPath, ce::MAX_PATH, TEXT("%s%s"), rootDirectory, name);
    handle = ce::CreateFileW(fullPath, ce::GENERIC_READ, 0, nullptr, ce::OPEN_EXISTING,
                             ce::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == ce::INVALID_HANDLE_VALUE) {
        console->print(TEXT("can't open \"%s\". cause = %d\n"), fullPath, int(ce::GetLastError()));
        return false;
    }
    uint32_t bytes = size();
    if (bytes == ce::INVALID_FILE_SIZE) {
        console->print(TEXT("can't get file size.\n"));
        close();
        return false;
    }
    console->print(TEXT("open file \"%s\"(%d byte).\n"), fullPath, int(bytes));
    return true;
}

uint32_t FatFileManager::size() {
    return ce::GetFileSize(handle, nullptr);
}

uint32_t FatFileManager::close() {
    ce::BOOL closed = ce::CloseHandle(handle);
    handle = ce::INVALID_HANDLE_VALUE;
    return uint32_t(closed);
}

bool FatFileManager::moveTo(uint32_t offset) {
    // The high word makes offsets of 2 GiB and more count from the start too.
    ce::LONG high = 0;
    return ce::SetFilePointer(handle, ce::LONG(offset), &high, ce::FILE_BEGIN) !=
               ce::INVALID_SET_FILE_POINTER ||
           ce::GetLastError() == ce::ERROR_SUCCESS;
}

int32_t FatFileManager::read(void* destination, uint32_t count, uint32_t offset) {
    if (offset != kCurrentPosition)
        moveTo(offset);
    ce::DWORD done = 0;
    if (!ce::ReadFile(handle, destination, count, &done, nullptr))
        return 0;
    return int32_t(done);
}

int32_t FatFileManager::write(const void* source, uint32_t count, uint32_t offset) {
    if (offset != kCurrentPosition)
        moveTo(offset);
    ce::DWORD done = 0;
    if (!ce::WriteFile(handle, source, count, &done, nullptr))
        return 0;
    return int32_t(done);
}

bool FatFileManager::seek(uint32_t offset) {
    moveTo(offset);
    return true;
}
