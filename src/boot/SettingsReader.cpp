#include "boot/SettingsReader.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr uint32_t kHeadBytes = 12;  // magic, version, size

#define NUMBER(name) \
    { #name, offsetof(BootSettings, name), 4, false }
#define TEXT_FIELD(name) \
    { #name, offsetof(BootSettings, name), sizeof(BootSettings::name), true }

const SettingsReader::Field kFields[] = {
    NUMBER(magic),
    NUMBER(version),
    NUMBER(size),
    NUMBER(reserved),
    NUMBER(directorySaved),
    TEXT_FIELD(directory),
    NUMBER(kernelNameSaved),
    TEXT_FIELD(kernelName),
    NUMBER(cpuId),
    NUMBER(machineId),
    NUMBER(rootDevice),
    TEXT_FIELD(imageName),
    NUMBER(serialConsole),
    NUMBER(verbose),
    NUMBER(singleUser),
    NUMBER(askName),
    NUMBER(kernelDebugger),
    NUMBER(autoBootSeconds),
    NUMBER(reverseVideo),
    NUMBER(pauseBeforeBoot),
    NUMBER(loadDebugInfo),
    NUMBER(safetyMessage),
    NUMBER(serialSpeed),
    TEXT_FIELD(extraOptions),
    {nullptr, BootSettings::kSize, 0, false},
};

#undef NUMBER
#undef TEXT_FIELD

uint32_t readWord(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

// Every text field ends within itself.
void terminateTexts(BootSettings& settings) {
    uint8_t* record = reinterpret_cast<uint8_t*>(&settings);
    for (const SettingsReader::Field* f = kFields; f->name; ++f) {
        if (!f->text)
            continue;
        ce::WCHAR* text = reinterpret_cast<ce::WCHAR*>(record + f->offset);
        text[f->bytes / sizeof(ce::WCHAR) - 1] = 0;
    }
}

}  // namespace

const SettingsReader::Field* SettingsReader::fields() {
    return kFields;
}

SettingsReader::Result SettingsReader::read(const uint8_t* bytes, uint32_t length,
                                            BootSettings& settings) {
    setDefaultSettings(settings);
    if (!bytes || length < kHeadBytes || readWord(bytes) != BootSettings::kMagic)
        return Result{false, 0, nullptr};
    uint32_t used = readWord(bytes + 8);  // the record's own size field
    if (used > length)
        used = length;
    if (used > BootSettings::kSize)
        used = BootSettings::kSize;
    if (used < kHeadBytes)
        used = kHeadBytes;
    // Whole fields only: the first field that does not fit keeps its
    // default, and so does every field after it.
    const Field* f = kFields;
    while (f->name && f->offset + f->bytes <= used)
        ++f;
    std::memcpy(&settings, bytes, f->offset);
    terminateTexts(settings);
    return Result{true, used, f->name};
}
