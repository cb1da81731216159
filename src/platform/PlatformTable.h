// The named platforms and the display parameters of the known machines.
#pragma once

#include <cstdint>

#include "platform/PlatformId.h"
#include "platform/ce/CeTypes.h"

struct PlatformName {
    const PlatformId* id;
    const ce::WCHAR* name;
};

// The 40 rows of the name table; a row is selectable when both words are set.
const PlatformName* platformNameTable(int* count);

// Name of the i-th selectable row, or null past the last (and for i < 0).
const ce::WCHAR* selectablePlatformName(int i);
// The i-th selectable row's words; false past the last.
bool selectablePlatform(int i, PlatformId& out);
// Index of the selectable row equal to `id` in both words; when none is,
// the first selectable row that `id` matches as a pattern (its zero fields
// wildcards: (0, 0) gives 0), else 0.
int selectablePlatformIndex(const PlatformId& id);

struct DisplayInfo {
    uint32_t cpu;
    uint32_t machine;
    uint32_t depth;
    uint32_t width;
    uint32_t height;
    uint32_t lineBytes;
    uint32_t framebuffer;
};
static_assert(sizeof(DisplayInfo) == 28);

// The display table, ended by a row whose CPU word is 0.
const DisplayInfo* displayTable();
