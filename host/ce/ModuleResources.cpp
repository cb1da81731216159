// The resources of the application's module: its strings, dialog templates,
// bitmaps and icon, as the system's resource data describe them.
#include <algorithm>

#include "ce/WindowSystem.h"
#include "platform/ce/CeFile.h"
#include "platform/ce/CeText.h"
#include "resources/Resources.h"
#include "resources/StringTable.h"

namespace {

// The handle of the application's own module (the executable).
ce::HMODULE applicationModule() {
    return reinterpret_cast<ce::HMODULE>(uintptr_t(0x00010000));
}

bool ownModule(ce::HMODULE module) {
    return !module || module == applicationModule();
}

bool nameMatches(const ModuleResource& r, ce::LPCWSTR name) {
    if (ce::IS_INTRESOURCE(name))
        return !r.name && r.id == uint16_t(reinterpret_cast<uintptr_t>(name));
    return r.name && ce::_wcsicmp(r.name, name) == 0;
}

const ModuleResource* findResource(ce::LPCWSTR name, uint16_t type) {
    if (!name)
        return nullptr;
    uint32_t count = 0;
    const ModuleResource* table = moduleResources(&count);
    for (uint32_t i = 0; i < count; ++i) {
        if (table[i].type == type && nameMatches(table[i], name))
            return &table[i];
    }
    return nullptr;
}

void* loadPicture(ce::LPCWSTR name, uint16_t type) {
    const ModuleResource* r = findResource(name, type);
    if (!r)
        return ce::SetLastError(ce::ERROR_FILE_NOT_FOUND), nullptr;
    const auto* b = static_cast<const BitmapResource*>(r->data);
    host::Picture p;
    p.width = b->width;
    p.height = b->height;
    p.pixels.resize(size_t(b->width) * b->height);
    for (size_t i = 0; i < p.pixels.size(); ++i) {
        uint8_t index = b->pixels[i];
        p.pixels[i] = index < b->paletteSize ? b->palette[index] : 0;
    }
    return host::WindowSystem::current().addPicture(std::move(p));
}

}  // namespace

namespace ce {

HMODULE GetModuleHandleW(LPCWSTR name) {
    return name ? nullptr : applicationModule();
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int capacity) {
    if (!ownModule(instance) || !buffer || capacity <= 0)
        return 0;
    const WCHAR* text = stringResource(id);
    if (!text)
        return buffer[0] = 0, 0;
    int n = std::min(int(wcslen(text)), capacity - 1);
    std::copy_n(text, n, buffer);
    buffer[n] = 0;
    return n;
}

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
    if (!ownModule(module) || !IS_INTRESOURCE(type))
        return nullptr;
    const ModuleResource* r = findResource(name, uint16_t(reinterpret_cast<uintptr_t>(type)));
    if (!r)
        SetLastError(ERROR_FILE_NOT_FOUND);
    return const_cast<ModuleResource*>(r);
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
    if (!ownModule(module) || !resource)
        return nullptr;
    return const_cast<void*>(static_cast<const ModuleResource*>(resource)->data);
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
    if (!ownModule(module) || !resource)
        return 0;
    return static_cast<const ModuleResource*>(resource)->size;
}

HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name) {
    if (!ownModule(instance))
        return nullptr;
    return static_cast<HBITMAP>(loadPicture(name, RT_BITMAP_ID));
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    if (!ownModule(instance))
        return nullptr;
    return static_cast<HICON>(loadPicture(name, RT_ICON_ID));
}

HGDIOBJ GetStockObject(int object) {
    if (object < 0 || object > 5)
        return nullptr;
    return reinterpret_cast<HGDIOBJ>(uintptr_t(0x00C00000 + object));
}

BOOL DeleteObject(HGDIOBJ object) {
    return host::WindowSystem::current().deletePicture(object) ? TRUE : FALSE;
}

}  // namespace ce
