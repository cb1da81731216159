// Files of the handheld's own file systems, through the Windows CE file calls.
#pragma once

#include "file/FileManager.h"

class FatFileManager : public FileManager {
  public:
    // Prints "FileManager: FAT\n".
    explicit FatFileManager(Console*& console);
    // Closes a file that is still open.
    ~FatFileManager() override;

    // Keeps `directory` as the prefix of every name opened. A directory of
    // MAX_PATH or more characters is refused with a message.
    bool setRoot(const ce::WCHAR* directory) override;
    // Opens the root directory immediately followed by `name` (no separator
    // is added). False after a message when the joined path does not fit,
    // the file cannot be opened or its size cannot be taken.
    bool open(const ce::WCHAR* name, uint32_t mode) override;
    // The stored size (low 32 bits), or INVALID_FILE_SIZE (kNotFound)
    // when it cannot be taken.
    uint32_t size() override;
    // Nonzero when the file was closed.
    uint32_t close() override;
    // From `offset` (or the current position for kCurrentPosition); the count
    // transferred, 0 when the platform read fails.
    int32_t read(void* destination, uint32_t count, uint32_t offset) override;
    int32_t write(const void* source, uint32_t count, uint32_t offset) override;
    // Always true.
    bool seek(uint32_t offset) override;

  private:
    bool moveTo(uint32_t offset);

    ce::HANDLE handle;
    ce::WCHAR rootDirectory[ce::MAX_PATH] = {};
    ce::WCHAR fullPath[ce::MAX_PATH] = {};
};
