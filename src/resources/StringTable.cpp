#include "resources/StringTable.h"

namespace {

const StringResource kStrings[] = {
    {10000, TEXT("kestrel")},
    {10002, TEXT("KESTREL")},
    {10004, TEXT("/")},
    {10006, TEXT("2:/")},
    {10008, TEXT("\\")},
    {10010, TEXT("\\My Documents\\")},
    {10012, TEXT("\\Storage Card\\")},
    {10014, TEXT("\\Storage Card1\\")},
    {10016, TEXT("\\Storage Card2\\")},
    {10018, TEXT("\\\uFF92\uFF93\uFF98 \uFF76\uFF70\uFF84\uFF9E\\")},
    {10020, TEXT("\\\uFF92\uFF93\uFF98 \uFF76\uFF70\uFF84\uFF9E1\\")},
    {10022, TEXT("\\\uFF92\uFF93\uFF98 \uFF76\uFF70\uFF84\uFF9E2\\")},
    {10024, TEXT("\\Multimedia Card\\")},
    {10026, TEXT("\\miniSD\uFF76\uFF70\uFF84\uFF9E\\")},
    {10028, TEXT("\\microSD\u30AB\u30FC\u30C9\\")},
    {10030, TEXT("user defined")},
};

}  // namespace

const ce::WCHAR* stringResource(uint32_t id) {
    for (const StringResource& s : kStrings) {
        if (s.id == id)
            return s.text;
    }
    return nullptr;
}

const StringResource* stringTable(uint32_t* count) {
    *count = sizeof kStrings / sizeof kStrings[0];
    return kStrings;
}
