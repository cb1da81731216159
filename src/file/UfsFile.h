// The state of one file open on a UFS file system: its superblock, its inode
// and the one block buffer that serves inodes, indirect blocks, directories
// and data alike.
#pragma once

#include <cstdint>
#include <memory>

#include "file/UfsFormat.h"

struct UfsFile {
    static constexpr uint32_t kNone = 0xFFFFFFFF;
    static constexpr uint32_t kCacheEntries = 64;

    uint32_t seekPosition = 0;
    std::unique_ptr<uint8_t[]> superblock;  // UfsSuperblock::kBytes
    uint8_t inode[UfsInode::kBytes] = {};
    uint32_t indirectShift = 0;  // log2 of the addresses in an indirect block
    // Which group of 64 entries of the last indirect level `indirectCache`
    // holds, counted in file blocks beyond the direct ones.
    uint32_t indirectCacheBlock = kNone;
    uint32_t indirectCache[kCacheEntries] = {};
    std::unique_ptr<uint8_t[]> blockBuffer;  // one file-system block
    uint32_t blockBufferSize = 0;
    uint32_t blockBufferBlock = kNone;  // file block held, or kNone

    // Decoded from `superblock` and `inode` once they pass their checks.
    UfsSuperblock fs{};
    UfsInode current{};
    uint32_t inodeCount = 0;  // inode numbers below this exist
};

// What ufsStat reports.
struct UfsStat {
    uint16_t mode;
    uint32_t owner;
    uint32_t group;
    uint64_t size;
};
