// The state of one file open on a UFS file system: its superblock, its inode,
// the indirect blocks it is being read through and a buffer of its data.
#pragma once

#include <cstdint>
#include <memory>

#include "file/ufs/UfsFormat.h"
#include "platform/NotFound.h"

struct UfsFile {
    // One indirect block is kept for every place of the indirection tree a
    // lookup passes: the single block, the double block and its current
    // child, the triple block and its current child and grandchild.
    static constexpr uint32_t kIndirectSlots = 6;
    // File data is read in runs of blocks that lie one after another on the
    // disk, one device request per run, up to this many bytes (or one block
    // when blocks are larger).
    static constexpr uint32_t kRunBytes = 128 * 1024;

    struct IndirectBlock {
        uint32_t address = kNotFound;     // fragment address of the block held
        std::unique_ptr<uint8_t[]> data;  // one block, taken when first needed
    };

    uint32_t seekPosition = 0;
    std::unique_ptr<uint8_t[]> superblock;  // UfsSuperblock::kBytes
    uint8_t inode[UfsInode::kBytes] = {};
    uint32_t inumber = 0;        // of `inode`
    uint32_t indirectShift = 0;  // log2 of the addresses in an indirect block
    IndirectBlock indirect[kIndirectSlots];
    std::unique_ptr<uint8_t[]> blockBuffer;  // one block: the inodes' block
    // The run of file blocks held in `runBuffer`: `runBlocks` blocks from
    // file block `runFirst` on (kNotFound: none).
    std::unique_ptr<uint8_t[]> runBuffer;
    uint32_t runCapacity = 0;  // bytes
    uint32_t runFirst = kNotFound;
    uint32_t runBlocks = 0;

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
