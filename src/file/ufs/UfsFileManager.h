// Files on the UFS partition of a Windows CE disk. The root directory names
// the disk unit ("2:/" selects DSK2:, anything else DSK1:); names are paths
// inside the file system, from its root. Read-only.
#pragma once

#include <cstdint>

#include "file/FileManager.h"
#include "file/winblk/Winblk.h"

class UfsFileManager : public FileManager {
  public:
    // Prints "FileManager: UFS\n".
    explicit UfsFileManager(Console*& console);
    // Closes the open file and the disk.
    ~UfsFileManager() override;

    // Opens the disk of the unit the directory names and finds its UFS
    // partition; false when the disk cannot be opened or is refused.
    bool setRoot(const ce::WCHAR* directory) override;
    // Prints "open file \"NAME\" " and then the size or "failed.".
    bool open(const ce::WCHAR* name, uint32_t mode) override;
    // The low 32 bits of the open file's size; 0 with no file open.
    uint32_t size() override;
    // Always 0.
    uint32_t close() override;
    // The bytes read; fewer only at the end of the file. -1 with no file open,
    // or when the device fails or the file's on-disk data is damaged, after
    // a line naming the error and the position.
    int32_t read(void* destination, uint32_t count, uint32_t offset) override;
    // The file system is read-only: nothing is written and the result is 0.
    int32_t write(const void* source, uint32_t count, uint32_t offset) override;
    bool seek(uint32_t offset) override;

    // The open-file record, for tests of the layers below.
    OpenFileRecord& record() { return openFile; }

  private:
    // Part of the object, so that making the backend cannot half fail.
    OpenFileRecord openFile;
};
