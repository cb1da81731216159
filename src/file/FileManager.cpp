#include "file/FileManager.h"

#include "console/Console.h"
#include "platform/ce/CeText.h"

uint32_t FileManager::kindFor(const ce::WCHAR* directory) {
    if (ce::wcsstr(directory, TEXT("http://")))
        return kHttp;
    if (ce::wcschr(directory, u'/'))
        return kUfs;
    return kLocal;
}

bool FileManager::toAscii(char* destination, const ce::WCHAR* source, uint32_t capacity) {
    int length = int(ce::wcslen(source));
    int needed =
        ce::WideCharToMultiByte(ce::CP_ACP, 0, source, length, nullptr, 0, nullptr, nullptr);
    // Compared in 64 bits so that no capacity can make the check wrap.
    if (int64_t(needed) + 1 > int64_t(capacity)) {
        console->print(TEXT("buffer insufficeint. %d > %d\n"), needed + 1, int(capacity));
        return false;
    }
    int converted = ce::WideCharToMultiByte(ce::CP_ACP, 0, source, length, destination, needed,
                                            nullptr, nullptr);
    if (converted == 0) {
        console->print(TEXT("can't convert to ASCII.\n"));
        return false;
    }
    destination[needed] = 0;
    return true;
}
