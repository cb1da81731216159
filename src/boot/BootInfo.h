// What the kernel receives from the boot loader: the boot-arguments page
// with the entry address, the argument count and vector, and the BootInfo
// record. Every address in the page is physical: the kernel starts with the
// MMU off.
#pragma once

#include <cstddef>
#include <cstdint>

struct BootSettings;

// The record describing framebuffer, console, platform and time zone.
struct BootInfo {
    static constexpr uint16_t kLength = 36;
    static constexpr uint32_t kMagic = 0x13536135;

    uint16_t length;
    uint16_t reserved;
    uint32_t magic;
    uint32_t framebuffer;
    int16_t lineBytes;
    int16_t width;
    int16_t height;
    int16_t type;
    int16_t console;  // 1: the window console, 2: a serial console
    uint16_t padding;
    uint32_t cpuId;
    uint32_t machineId;
    int32_t timeZone;  // minutes: Bias, plus DaylightBias in daylight time
};
static_assert(sizeof(BootInfo) == 36);
static_assert(offsetof(BootInfo, magic) == 4 && offsetof(BootInfo, framebuffer) == 8 &&
              offsetof(BootInfo, lineBytes) == 12 && offsetof(BootInfo, type) == 18 &&
              offsetof(BootInfo, console) == 20 && offsetof(BootInfo, cpuId) == 24 &&
              offsetof(BootInfo, timeZone) == 32);

// The head of the boot-arguments page; the second-stage loader enters the
// kernel at `entry` with argc, argv and bootInfo in r0, r1 and r2.
struct BootArgumentPage {
    static constexpr uint32_t kBootInfoOffset = 16;
    static constexpr uint32_t kVectorOffset = 52;
    static constexpr uint32_t kVectorSlots = 16;
    static constexpr uint32_t kStringsOffset = kVectorOffset + kVectorSlots * 4;  // 116
    static constexpr uint32_t kTailBytes = 16;  // the page is filled to P - 16 only

    uint32_t entry;
    uint32_t argc;
    uint32_t argv;      // physical address of the vector
    uint32_t bootInfo;  // physical address of the BootInfo record
    BootInfo info;
    uint32_t vector[kVectorSlots];
};
static_assert(sizeof(BootArgumentPage) == BootArgumentPage::kStringsOffset);
static_assert(offsetof(BootArgumentPage, info) == BootArgumentPage::kBootInfoOffset &&
              offsetof(BootArgumentPage, vector) == BootArgumentPage::kVectorOffset);

// Fills everything but the console field: the display parameters of the
// settings' platform at the screen's depth, the platform words and the
// time zone.
void fillBootInfo(const BootSettings& settings, BootInfo& info);
