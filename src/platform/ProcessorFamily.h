// The CPU family of the processor the system runs on, told by GetSystemInfo,
// so that a boot can refuse a platform built for the other family.
#pragma once

#include <cstdint>

#include "platform/ce/CeTypes.h"

// CPU words of the platform table's family rows.
constexpr uint32_t kFamilyStrongArm = 0x0c100000;  // "ARM STRONGARM"
constexpr uint32_t kFamilyXScale = 0x0c200000;     // "ARM XSCALE"

// The family word for what GetSystemInfo reports, or 0 when it does not
// tell. Windows CE gives StrongARM and XScale cores the same processor type
// (PROCESSOR_STRONGARM); the architecture level tells them apart: 4 for the
// ARMv4 StrongARM, 5 for the ARMv5TE XScale.
uint32_t processorFamily(const ce::SYSTEM_INFO& info);
// processorFamily of this machine's GetSystemInfo.
uint32_t runningProcessorFamily();
// True when the platform CPU word `cpu` belongs to `family` (architecture
// and series fields equal).
bool cpuInFamily(uint32_t cpu, uint32_t family);
// Name of the platform table's row (cpu, 0), or "CPU 0x........" when the
// table has none; `buffer` holds at least 32 units and may be returned.
const ce::WCHAR* cpuName(uint32_t cpu, ce::WCHAR* buffer);
