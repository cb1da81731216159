#include "boot/StorageCard.h"

#include "platform/ce/CeFile.h"
#include "platform/ce/CeText.h"

bool findStorageCard(ce::WCHAR* name, size_t capacity) {
    constexpr ce::DWORD kCard = ce::FILE_ATTRIBUTE_DIRECTORY | ce::FILE_ATTRIBUTE_TEMPORARY;
    ce::WIN32_FIND_DATAW entry;
    ce::HANDLE find = ce::FindFirstFileW(TEXT("\\*.*"), &entry);
    if (find == ce::INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    do {
        if ((entry.dwFileAttributes & kCard) == kCard) {
            found = ce::wcslen(entry.cFileName) < capacity;
            if (found)
                ce::wcscpy(name, entry.cFileName);
            break;
        }
    } while (ce::FindNextFileW(find, &entry));
    ce::FindClose(find);
    return found;
}
