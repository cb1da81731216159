// What sets the two ARM processor families apart, as data: the windows of
// their RAM banks, the data cache, where their second-stage loader puts a
// link, the loader image and flat jump, what a jump that comes back leaves
// behind, and the UART they write to directly. One row per family; the
// architecture, the UART console and the Boot object read the row.
#pragma once

#include <cstdint>

#include "arch/arm/Uart.h"
#include "memory/Placement.h"
#include "platform/ce/CeTypes.h"

struct ArmVariant {
    using FlatJump = void (*)(uint32_t bootArgs, uint32_t chainHead, uint32_t stack,
                              uint32_t loaderPage);
    static constexpr int kRegions = 4;

    const ce::WCHAR* greeting;  // printed when the architecture is made
    uint32_t regionStarts[kRegions];
    uint32_t regionSize;
    uint32_t dcacheSize;
    Placement placement;
    const uint8_t* loaderImage;
    uint32_t loaderSize;
    FlatJump flatJump;
    // Printed after leaving kernel mode when the flat jump comes back; null
    // when nothing follows a return.
    const ce::WCHAR* returnMessage;
    Uart uart;

    static const ArmVariant& sa11x0();
    static const ArmVariant& pxa2x0();
    // The row of a CPU kind of the platform table (kCpuSA1100, kCpuPXA250,
    // kCpuPXA270), or null for any other.
    static const ArmVariant* forCpu(uint32_t cpuKind);
};
