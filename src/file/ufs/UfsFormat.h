// The on-disk records of a UFS version 1 file system that the reader uses:
// the superblock, the inode and the directory entry. Only the fields the
// reader needs are named; `load` decodes them from little-endian bytes.
#pragma once

#include <cstddef>
#include <cstdint>

struct UfsSuperblock {
    static constexpr uint32_t kBytes = 8192;
    static constexpr uint32_t kSector = 16;  // of the partition
    static constexpr int32_t kMagic = 0x011954;

    uint8_t unused00[0x10];
    int32_t inodeAreaOffset;  // fragments into a cylinder group
    int32_t unused14;
    int32_t cylinderGroupOffset;
    int32_t cylinderGroupMask;
    int32_t unused20;
    int32_t totalFragments;
    int32_t unused28;
    int32_t cylinderGroups;
    int32_t blockSize;
    int32_t fragmentSize;
    int32_t fragmentsPerBlock;
    uint8_t unused3c[0x4C - 0x3C];
    int32_t fragmentMask;
    int32_t blockShift;
    uint8_t unused54[0x60 - 0x54];
    int32_t fragmentShift;          // blocks to fragments
    int32_t fragmentToSectorShift;  // fragments to 512-byte sectors
    uint8_t unused68[0x74 - 0x68];
    int32_t addressesPerBlock;
    int32_t inodesPerBlock;
    uint8_t unused7c[0xB8 - 0x7C];
    int32_t inodesPerGroup;
    int32_t fragmentsPerGroup;
    uint8_t unusedC0[0x528 - 0xC0];
    int32_t maxInnerLinkLength;  // 0 or below: the old directory format
    uint8_t unused52c[0x538 - 0x52C];
    int64_t blockOffsetMask;
    int64_t fragmentOffsetMask;
    uint8_t unused548[0x55C - 0x548];
    int32_t magic;

    static UfsSuperblock load(const uint8_t* bytes);
};
static_assert(offsetof(UfsSuperblock, inodeAreaOffset) == 0x10);
static_assert(offsetof(UfsSuperblock, cylinderGroupOffset) == 0x18);
static_assert(offsetof(UfsSuperblock, totalFragments) == 0x24);
static_assert(offsetof(UfsSuperblock, cylinderGroups) == 0x2C);
static_assert(offsetof(UfsSuperblock, blockSize) == 0x30);
static_assert(offsetof(UfsSuperblock, fragmentMask) == 0x4C);
static_assert(offsetof(UfsSuperblock, blockShift) == 0x50);
static_assert(offsetof(UfsSuperblock, fragmentShift) == 0x60);
static_assert(offsetof(UfsSuperblock, addressesPerBlock) == 0x74);
static_assert(offsetof(UfsSuperblock, inodesPerGroup) == 0xB8);
static_assert(offsetof(UfsSuperblock, maxInnerLinkLength) == 0x528);
static_assert(offsetof(UfsSuperblock, blockOffsetMask) == 0x538);
static_assert(offsetof(UfsSuperblock, fragmentOffsetMask) == 0x540);
static_assert(offsetof(UfsSuperblock, magic) == 0x55C);
static_assert(sizeof(UfsSuperblock) <= UfsSuperblock::kBytes);

struct UfsInode {
    static constexpr uint32_t kBytes = 128;
    static constexpr uint32_t kDirect = 12;
    static constexpr uint32_t kInnerLinkOffset = 40;  // short link text, over the addresses
    static constexpr uint16_t kTypeMask = 0xF000;
    static constexpr uint16_t kDirectory = 0x4000;
    static constexpr uint16_t kSymbolicLink = 0xA000;

    uint16_t mode;
    int16_t linkCount;
    uint32_t unused04;
    uint64_t size;
    int32_t times[6];
    uint32_t direct[kDirect];  // fragment addresses
    uint32_t indirect[3];      // single, double, triple
    uint32_t flags;
    int32_t blocks;
    int32_t generation;
    uint32_t owner;
    uint32_t group;
    int32_t unused78[2];

    static UfsInode load(const uint8_t* bytes);
    bool isDirectory() const { return (mode & kTypeMask) == kDirectory; }
    bool isSymbolicLink() const { return (mode & kTypeMask) == kSymbolicLink; }
};
static_assert(offsetof(UfsInode, size) == 8);
static_assert(offsetof(UfsInode, direct) == UfsInode::kInnerLinkOffset);
static_assert(offsetof(UfsInode, indirect) == 88);
static_assert(offsetof(UfsInode, owner) == 112);
static_assert(offsetof(UfsInode, group) == 116);
static_assert(sizeof(UfsInode) == UfsInode::kBytes);

// The fixed part of a directory entry; the name follows it.
struct UfsDirectoryEntry {
    uint32_t inode;  // 0: an empty entry
    uint16_t recordLength;
    uint8_t type;        // old format: low byte of the name length
    uint8_t nameLength;  // old format: high byte of the name length

    static UfsDirectoryEntry load(const uint8_t* bytes);
};
static_assert(offsetof(UfsDirectoryEntry, recordLength) == 4);
static_assert(offsetof(UfsDirectoryEntry, type) == 6);
static_assert(offsetof(UfsDirectoryEntry, nameLength) == 7);
static_assert(sizeof(UfsDirectoryEntry) == 8);
