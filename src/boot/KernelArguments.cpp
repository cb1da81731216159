#include "boot/KernelArguments.h"

#include <cstring>

#include "boot/BootSettings.h"
#include "console/BoxOwner.h"
#include "platform/Allocate.h"
#include "platform/ce/CeText.h"
#include "platform/ce/CeWindow.h"

namespace {

constexpr uint32_t kSlotBytes = 4;

// A settings string may lack its terminator (a damaged configuration file):
// never look past the field.
uint32_t boundedLength(const ce::WCHAR* text, uint32_t capacity) {
    uint32_t n = 0;
    while (n < capacity && text[n] != 0)
        ++n;
    return n;
}

// The text in the system code page, NUL-terminated, in a buffer of its own
// (null when none can be had). `length` receives the byte count.
std::unique_ptr<char[]> toMultiByte(const ce::WCHAR* text, uint32_t units, uint32_t& length) {
    int needed = units == 0 ? 0
                            : ce::WideCharToMultiByte(ce::CP_ACP, 0, text, int(units), nullptr, 0,
                                                      nullptr, nullptr);
    if (needed < 0)
        needed = 0;
    std::unique_ptr<char[]> buffer = allocateArray<char>(size_t(needed) + 1);
    if (!buffer)
        return nullptr;
    if (needed > 0) {
        needed = ce::WideCharToMultiByte(ce::CP_ACP, 0, text, int(units), buffer.get(), needed,
                                         nullptr, nullptr);
    }
    buffer[needed] = 0;
    length = uint32_t(needed);
    return buffer;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

KernelArguments::KernelArguments(uint32_t* slots, uint32_t vectorPhysical, uint32_t budget,
                                 const BoxOwner* boxes)
    : slots_(slots),
      vectorPhysical_(vectorPhysical),
      limit_(budget),
      position_(kSlots * kSlotBytes),
      boxes_(boxes) {}

void KernelArguments::warn(const ce::WCHAR* text) const {
    BoxOwner::show(boxes_, text, TEXT("WARNING"), ce::MB_OK | ce::MB_ICONEXCLAMATION);
}

bool KernelArguments::add(const char* text, uint32_t length) {
    if (count_ >= kSlots || uint64_t(position_) + length + 1 > limit_)
        return false;
    char* strings = reinterpret_cast<char*>(slots_);
    std::memcpy(strings + position_, text, length);
    strings[position_ + length] = 0;
    slots_[count_++] = vectorPhysical_ + position_;
    position_ += length + 1;
    return true;
}

bool KernelArguments::addPrefixed(const char* prefix, const char16_t* name) {
    uint32_t length = 0;
    std::unique_ptr<char[]> converted =
        toMultiByte(name, boundedLength(name, ce::MAX_PATH), length);
    if (!converted)
        return false;
    uint32_t prefixLength = uint32_t(std::strlen(prefix));
    std::unique_ptr<char[]> joined = allocateArray<char>(prefixLength + length + 1);
    if (!joined)
        return false;
    std::memcpy(joined.get(), prefix, prefixLength);
    std::memcpy(joined.get() + prefixLength, converted.get(), length + 1);
    return add(joined.get(), prefixLength + length);
}

void KernelArguments::addExtraOptions(const char16_t* options) {
    uint32_t length = 0;
    std::unique_ptr<char[]> text =
        toMultiByte(options, boundedLength(options, BootSettings::kExtraOptionUnits), length);
    if (!text) {
        warn(TEXT("Can't allocate memory for extra kernel options."));
        return;
    }
    uint32_t at = 0;
    while (at < length && isBlank(text[at]))
        ++at;
    while (at < length) {
        uint32_t start = at;
        while (at < length && !isBlank(text[at]))
            ++at;
        if (!add(text.get() + start, at - start)) {
            // The rest is dropped unexamined after one warning.
            warn(TEXT("Too many extra kernel options."));
            break;
        }
        while (at < length && isBlank(text[at]))
            ++at;
    }
}

uint32_t KernelArguments::build(const BootSettings& settings, const ce::WCHAR* kernelName,
                                const ce::WCHAR* imageName) {
    addPrefixed("", kernelName);
    const struct {
        uint32_t flag;
        const char* letter;
    } flags[] = {
        {settings.serialConsole, "h"}, {settings.verbose, "v"},        {settings.singleUser, "s"},
        {settings.askName, "a"},       {settings.kernelDebugger, "d"},
    };
    for (const auto& f : flags) {
        if (f.flag)
            add(f.letter, 1);
    }
    switch (settings.rootDevice) {
        case kRootSd:
            add("b=sd0", 5);
            break;
        case kRootMd:
            addPrefixed("m=", imageName);
            break;
        case kRootNfs:
            add("b=nfs", 5);
            break;
        case kRootDk:
            add("b=dk0", 5);
            break;
        case kRootLd:
            add("b=ld0", 5);
            break;
        default:
            break;  // wd: the kernel's own default
    }
    addExtraOptions(settings.extraOptions);
    return count_;
}
