// The module's resources other than the string table: the dialog templates
// of the tab pages, the tab pictures and the application icon, in the form
// the platform's resource calls hand out.
#pragma once

#include <cstdint>

#include "platform/ce/CeTypes.h"

// A palette picture: `width` x `height` pixels of 8 bits, rows top to
// bottom, each byte an index into `palette` (0x00RRGGBB entries).
struct BitmapResource {
    uint16_t width;
    uint16_t height;
    uint16_t bitsPerPixel;
    uint16_t paletteSize;
    const uint32_t* palette;
    const uint8_t* pixels;
};

enum : uint16_t {
    IDI_APPLICATION_ICON = 1,
};

// One entry of the module's resource directory: a type ordinal, the name
// (a string, or null when `id` names the resource) and the data.
struct ModuleResource {
    uint16_t type;
    const ce::WCHAR* name;
    uint16_t id;
    const void* data;
    uint32_t size;
};

// Every resource of the module except the strings (see StringTable.h).
const ModuleResource* moduleResources(uint32_t* count);

// The pieces the directory is made of.
const void* mainPageTemplate(uint32_t* size);
const void* optionPageTemplate(uint32_t* size);
const void* consolePageTemplate(uint32_t* size);
const BitmapResource* mainTabPicture();
const BitmapResource* optionTabPicture();
const BitmapResource* consoleTabPicture();
const BitmapResource* applicationIcon();
