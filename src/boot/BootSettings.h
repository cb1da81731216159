// The user's boot settings: at once the in-memory record and the exact
// content of the configuration file "\<card>\kestrel.cnf". Integers are
// 32-bit little-endian, strings UTF-16LE terminated within their field.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "platform/ce/CeTypes.h"

struct BootSettings {
    static constexpr uint32_t kMagic = 0x177d5753;
    static constexpr uint32_t kVersion = 258;
    static constexpr uint32_t kSize = 2152;
    static constexpr int kExtraOptionUnits = 256;

    uint32_t magic;
    uint32_t version;
    uint32_t size;
    uint32_t reserved;
    uint32_t directorySaved;
    ce::WCHAR directory[ce::MAX_PATH];
    uint32_t kernelNameSaved;
    ce::WCHAR kernelName[ce::MAX_PATH];
    uint32_t cpuId;
    uint32_t machineId;
    uint32_t rootDevice;  // 0 wd, 1 sd, 2 md, 3 nfs, 4 dk, 5 ld
    ce::WCHAR imageName[ce::MAX_PATH];
    uint32_t serialConsole;
    uint32_t verbose;
    uint32_t singleUser;
    uint32_t askName;
    uint32_t kernelDebugger;
    uint32_t autoBootSeconds;
    uint32_t reverseVideo;
    uint32_t pauseBeforeBoot;
    uint32_t loadDebugInfo;
    uint32_t safetyMessage;
    uint32_t serialSpeed;
    ce::WCHAR extraOptions[kExtraOptionUnits];
};

// The record is written to the file byte for byte; both the handheld and the
// simulation are little-endian machines.
static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(BootSettings) == BootSettings::kSize);
static_assert(offsetof(BootSettings, directorySaved) == 16);
static_assert(offsetof(BootSettings, directory) == 20);
static_assert(offsetof(BootSettings, kernelNameSaved) == 540);
static_assert(offsetof(BootSettings, kernelName) == 544);
static_assert(offsetof(BootSettings, cpuId) == 1064);
static_assert(offsetof(BootSettings, rootDevice) == 1072);
static_assert(offsetof(BootSettings, imageName) == 1076);
static_assert(offsetof(BootSettings, serialConsole) == 1596);
static_assert(offsetof(BootSettings, autoBootSeconds) == 1616);
static_assert(offsetof(BootSettings, serialSpeed) == 1636);
static_assert(offsetof(BootSettings, extraOptions) == 1640);

enum RootDevice : uint32_t { kRootWd = 0, kRootSd, kRootMd, kRootNfs, kRootDk, kRootLd };

// The defaults: magic, version and size set, "miniroot.fs" as image name,
// pauseBeforeBoot and safetyMessage on, 19200 bit/s, everything else 0.
void setDefaultSettings(BootSettings& settings);
