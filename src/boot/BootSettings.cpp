#include "boot/BootSettings.h"

#include <cstring>

#include "platform/ce/CeText.h"

void setDefaultSettings(BootSettings& s) {
    std::memset(&s, 0, sizeof s);
    s.magic = BootSettings::kMagic;
    s.version = BootSettings::kVersion;
    s.size = BootSettings::kSize;
    ce::wcscpy(s.imageName, TEXT("miniroot.fs"));
    s.pauseBeforeBoot = 1;
    // Shown and saved only; nothing in a boot reads it, so it starts off.
    s.loadDebugInfo = 0;
    s.safetyMessage = 1;
    s.serialSpeed = 19200;
}
