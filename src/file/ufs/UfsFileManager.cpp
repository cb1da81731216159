#include "file/ufs/UfsFileManager.h"

#include "console/Console.h"
#include "file/ErrorNumber.h"
#include "file/ufs/Ufs.h"
#include "file/winblk/Winblk.h"

UfsFileManager::UfsFileManager(Console*& console) : FileManager(console) {
    openFile.device = &winblk();
    openFile.console = &this->console;
    debugLevel = 1;
    console->print(TEXT("FileManager: UFS\n"));
}

UfsFileManager::~UfsFileManager() {
    ufsClose(openFile);
    if (openFile.deviceState)
        openFile.device->close(&openFile);
}

bool UfsFileManager::setRoot(const ce::WCHAR* directory) {
    char text[ce::MAX_PATH];
    int unit = 1;
    if (toAscii(text, directory, ce::MAX_PATH) && text[0] >= '1' && text[0] <= '9' &&
        text[1] == ':')
        unit = text[0] - '0';
    // A second root replaces the first disk.
    ufsClose(openFile);
    if (openFile.deviceState)
        openFile.device->close(&openFile);
    return openFile.device->open(&openFile, "DSK", unit, 0) == 0;
}

bool UfsFileManager::open(const ce::WCHAR* name, uint32_t) {
    if (!toAscii(asciiPath, name, ce::MAX_PATH))
        return false;
    int r = ufsOpen(openFile, asciiPath);
    console->print(TEXT("open file \"%s\" "), name);
    if (r == 0) {
        console->print(TEXT("(%d byte).\n"), size());
    } else {
        console->print(TEXT("failed.\n"));
    }
    return r == 0;
}

uint32_t UfsFileManager::size() {
    return openFile.file ? ufsSize(*openFile.file) : 0;
}

uint32_t UfsFileManager::close() {
    ufsClose(openFile);
    return 0;
}

int32_t UfsFileManager::read(void* destination, uint32_t count, uint32_t offset) {
    if (!openFile.file)
        return -1;
    if (offset != kCurrentPosition)
        ufsSeek(openFile, offset, ufs_origin::kFromStart);
    // The result must stay a non-negative count.
    if (count > 0x7FFFFFFF)
        count = 0x7FFFFFFF;
    uint32_t remaining = 0;
    uint32_t at = openFile.file->seekPosition;
    if (int e = ufsRead(openFile, destination, count, remaining)) {
        // A damaged or unreadable file is never delivered short.
        console->print(TEXT("read error %d in \"%S\" at %u.\n"), e, asciiPath,
                       at + (count - remaining));
        return -1;
    }
    return int32_t(count - remaining);
}

int32_t UfsFileManager::write(const void*, uint32_t, uint32_t offset) {
    if (openFile.file && offset != kCurrentPosition)
        ufsSeek(openFile, offset, ufs_origin::kFromStart);
    return 0;
}

bool UfsFileManager::seek(uint32_t offset) {
    ufsSeek(openFile, offset, ufs_origin::kFromStart);
    return true;
}
