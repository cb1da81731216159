#include "platform/ProcessorFamily.h"

#include "platform/PlatformId.h"
#include "platform/PlatformTable.h"
#include "platform/ce/CeSystem.h"
#include "platform/ce/CeText.h"

namespace {

constexpr ce::WORD kLevelArmV4 = 4;
constexpr ce::WORD kLevelArmV5 = 5;

}  // namespace

uint32_t processorFamily(const ce::SYSTEM_INFO& info) {
    if (info.wProcessorArchitecture != ce::PROCESSOR_ARCHITECTURE_ARM ||
        info.dwProcessorType != ce::PROCESSOR_STRONGARM)
        return 0;
    if (info.wProcessorLevel == kLevelArmV4)
        return kFamilyStrongArm;
    if (info.wProcessorLevel == kLevelArmV5)
        return kFamilyXScale;
    return 0;
}

uint32_t runningProcessorFamily() {
    ce::SYSTEM_INFO info{};
    ce::GetSystemInfo(&info);
    return processorFamily(info);
}

bool cpuInFamily(uint32_t cpu, uint32_t family) {
    // The family word as a pattern: its model and submodel are wildcards.
    return platformMatch(PlatformId{cpu, 0}, PlatformId{family, 0}) != 0;
}

const ce::WCHAR* cpuName(uint32_t cpu, ce::WCHAR* buffer) {
    int count = 0;
    const PlatformName* table = platformNameTable(&count);
    for (int i = 0; i < count; ++i) {
        if (table[i].id->cpu == cpu && table[i].id->machine == 0)
            return table[i].name;
    }
    ce::wsprintfW(buffer, TEXT("CPU 0x%08x"), cpu);
    return buffer;
}
