#include "boot/BootInfo.h"

#include <cstring>

#include "boot/BootSettings.h"
#include "platform/DisplayLookup.h"
#include "platform/ce/CeSystem.h"

void fillBootInfo(const BootSettings& settings, BootInfo& info) {
    DisplayLookup display(settings.cpuId, settings.machineId);
    ce::TIME_ZONE_INFORMATION zone{};
    ce::DWORD zoneState = ce::GetTimeZoneInformation(&zone);
    std::memset(&info, 0, sizeof(info));
    info.length = BootInfo::kLength;
    info.magic = BootInfo::kMagic;
    info.framebuffer = display.framebuffer();
    info.lineBytes = int16_t(display.lineBytes());
    info.width = int16_t(display.width());
    info.height = int16_t(display.height());
    info.type = framebufferType(display, settings.reverseVideo != 0);
    info.cpuId = settings.cpuId;
    info.machineId = settings.machineId;
    // The standard bias is never added: Bias already is standard time.
    info.timeZone = zone.Bias;
    if (zoneState == ce::TIME_ZONE_ID_DAYLIGHT)
        info.timeZone += zone.DaylightBias;
}
