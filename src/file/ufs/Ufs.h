// The UFS version 1 reader: a file found by its path on the file system of
// the record's device, read through the device's strategy. Results are 0 or
// a POSIX error number. Every value read from the disk is checked before it
// addresses memory or the device; a value out of range, like a failed device
// read, is an error (5) after a line on the debug output and the record's
// console, never a short read.
#pragma once

#include <cstdint>

#include "file/ufs/UfsFile.h"
#include "file/winblk/Winblk.h"

namespace ufs_origin {
constexpr uint32_t kFromStart = 0;
constexpr uint32_t kFromCurrent = 1;
constexpr uint32_t kFromEnd = 2;
}  // namespace ufs_origin

// Opens `path` (from the root; '/' separators, symbolic links followed),
// replacing any file open in the record. On failure nothing stays open.
int ufsOpen(OpenFileRecord& record, const char* path);
// Reads up to `count` bytes at the seek position; `remaining` is what was not
// read (at the end of the file or after an error). Whole blocks go straight
// to the destination, a run of blocks that lie one after another on the disk
// per device request; pieces of blocks come from a buffer that holds such a
// run.
int ufsRead(OpenFileRecord& record, void* destination, uint32_t count, uint32_t& remaining);
// The new position, or kNotFound for an unknown origin.
uint32_t ufsSeek(OpenFileRecord& record, uint32_t offset, uint32_t origin);
int ufsStat(OpenFileRecord& record, UfsStat& status);
// Releases the open file, if any. Always 0.
int ufsClose(OpenFileRecord& record);
// The file's size as the 32-bit positions see it.
uint32_t ufsSize(const UfsFile& file);

// Internal operations of the reader, on the record's open file.
// Reads inode `n` into the file's inode; forgets the kept indirect blocks and
// data run.
int readInode(OpenFileRecord& record, uint32_t n);
// The fragment address of file block `b` of the current inode, 0 for a hole;
// 27 beyond triple indirection. The indirect blocks it passes are kept, so a
// sequential read reads each of them once.
int blockMap(OpenFileRecord& record, uint32_t b, uint32_t& address);
// The piece of the file at the seek position, up to the end of its block or
// of the file: `data` points into the run buffer.
int readFileBlock(OpenFileRecord& record, const uint8_t*& data, uint32_t& count);
// The inode number of `name` (`length` bytes) in the current directory inode;
// 2 when it is not there, 5 for a damaged entry.
int searchDirectory(OpenFileRecord& record, const char* name, uint32_t length, uint32_t& inumber);
