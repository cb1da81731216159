// The settings record reader over the bytes of a kestrel.cnf, followed by
// what the boot does first with the settings: the platform choice and the
// file kind of the directory. Checks what the reader promises: every text
// field ends within itself, and whole fields before the first default come
// from the file.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "boot/SettingsReader.h"
#include "file/FileManager.h"
#include "platform/PlatformTable.h"

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BootSettings settings;
    uint32_t length = size > 0xFFFFFFFF ? 0xFFFFFFFF : uint32_t(size);
    SettingsReader::Result result = SettingsReader::read(data, length, settings);
    const uint8_t* record = reinterpret_cast<const uint8_t*>(&settings);
    for (const SettingsReader::Field* f = SettingsReader::fields(); f->name; ++f) {
        if (f->text) {
            const ce::WCHAR* text = reinterpret_cast<const ce::WCHAR*>(record + f->offset);
            check(text[f->bytes / sizeof(ce::WCHAR) - 1] == 0);
        }
        bool fromFile = result.accepted &&
                        (!result.firstDefault || std::strcmp(f->name, result.firstDefault) != 0);
        if (result.firstDefault && std::strcmp(f->name, result.firstDefault) == 0)
            break;
        if (fromFile && !f->text)
            check(std::memcmp(record + f->offset, data + f->offset, f->bytes) == 0);
    }
    check(result.recordBytes <= BootSettings::kSize && result.recordBytes <= length);
    int index = selectablePlatformIndex(PlatformId{settings.cpuId, settings.machineId});
    check(selectablePlatformName(index) != nullptr);
    FileManager::kindFor(settings.directory);
    return 0;
}
