// The state of one opened disk and the on-disk records the device layer
// reads: the PC partition table and the disk label.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ce/CeDisk.h"

class Console;

// One entry of the partition table at byte 446 of sector 0.
struct PartitionEntry {
    uint8_t bootFlag;
    uint8_t startHead;
    uint8_t startSector;  // low 6 bits; the top two are cylinder bits
    uint8_t startCylinder;
    uint8_t type;
    uint8_t endHead;
    uint8_t endSector;
    uint8_t endCylinder;
    uint32_t firstSector;
    uint32_t sectorCount;

    static PartitionEntry load(const uint8_t* bytes);
};
static_assert(sizeof(PartitionEntry) == 16);
static_assert(offsetof(PartitionEntry, type) == 4);
static_assert(offsetof(PartitionEntry, firstSector) == 8);

// A partition of the disk label.
struct LabelPartition {
    uint32_t size;         // sectors
    uint32_t firstSector;  // counted from the start of the disk
    uint32_t fragmentSize;
    uint8_t fsType;
    uint8_t fragmentsPerBlock;
    uint16_t cylindersPerGroup;
};
static_assert(sizeof(LabelPartition) == 16);

// The disk label at the start of the partition's second sector; only the
// fields the layer checks and uses are named.
struct DiskLabel {
    static constexpr uint32_t kMagic = 0x82564557;
    static constexpr uint32_t kMaxPartitions = 8;  // what the label copy holds

    uint32_t magic;
    uint8_t unused[128];
    uint32_t magic2;
    uint16_t checksum;
    uint16_t partitionCount;
    uint32_t bootAreaSize;
    uint32_t superblockSize;
    LabelPartition partitions[kMaxPartitions];

    // The exclusive-or of the 16-bit words of the header and of `count`
    // partition entries; 0 for an intact label.
    static uint16_t checksumOf(const uint8_t* bytes, uint32_t count);
};
static_assert(offsetof(DiskLabel, magic2) == 132);
static_assert(offsetof(DiskLabel, checksum) == 136);
static_assert(offsetof(DiskLabel, partitionCount) == 138);
static_assert(offsetof(DiskLabel, partitions) == 148);
static_assert(sizeof(DiskLabel) == 276);

struct WinblkDisk {
    static constexpr uint32_t kSectorBytes = 512;
    static constexpr uint32_t kLabelBytes = 280;

    ce::HANDLE handle;
    ce::DISK_INFO diskInfo;
    uint8_t partitionTable[64];
    uint8_t label[kLabelBytes];  // the label header and eight partitions
    uint8_t sectorBuffer[kSectorBytes];
    uint32_t startSector;
    // Sectors of the partition from startSector on, never past the end of
    // the disk: every read must lie inside them.
    uint32_t sectorCount;
    Console* const* console;  // the record's: where read failures are also printed
};
static_assert(sizeof(DiskLabel) <= WinblkDisk::kLabelBytes);
