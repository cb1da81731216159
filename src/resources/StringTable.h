// The application's string table.
#pragma once

#include <cstdint>

#include "platform/ce/CeTypes.h"

enum StringId : uint32_t {
    IDS_APP_NAME = 10000,    // "kestrel"
    IDS_CLASS_NAME = 10002,  // "KESTREL": window class name and title
    IDS_DIRECTORY_FIRST = 10004,
    IDS_DIRECTORY_LAST = 10030,  // "user defined"
};

// The string with this id, or null when the table has none.
const ce::WCHAR* stringResource(uint32_t id);

struct StringResource {
    uint32_t id;
    const ce::WCHAR* text;
};
// Every entry, in id order (what a resource compiler would emit).
const StringResource* stringTable(uint32_t* count);
