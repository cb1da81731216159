// Disk images for the tests, made with the real tools: sfdisk writes the
// partition table, makefs the UFS1 file system; the disk label is written
// here, as a disk-labelling program would.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace disk_testing {

constexpr uint32_t kSector = 512;

// A sparse disk image of `sectors` sectors whose partition table sfdisk
// writes from `partitions` (its script lines, "start=64, size=100, type=a9").
void makeDisk(const std::filesystem::path& image, uint32_t sectors,
              const std::vector<std::string>& partitions);

struct LabelEntry {
    uint32_t firstSector;  // from the start of the disk
    uint32_t size;
};

struct LabelOptions {
    int announced = -1;  // partition count written; -1: the entries' count
    bool badSecondMagic = false;
    bool badChecksum = false;
};

// The bytes of a disk label (one sector) with a correct checksum unless told
// otherwise.
std::string diskLabel(const std::vector<LabelEntry>& entries, const LabelOptions& options = {});

void writeAt(const std::filesystem::path& file, uint64_t offset, const std::string& bytes);

// A UFS1 image of `tree` made by makefs with the given block and fragment
// sizes; extra makefs options may follow.
bool makeUfs(const std::filesystem::path& image, const std::filesystem::path& tree,
             uint32_t blockSize, uint32_t fragmentSize, const std::string& extra = "");

// Copies a file-system image into a disk image at `sector`.
void placeImage(const std::filesystem::path& disk, uint32_t sector,
                const std::filesystem::path& fileSystem);

std::string patternBytes(size_t n, uint32_t seed);

// Four little-endian bytes.
std::string le32Bytes(uint32_t value);
// The offset in `bytes` (a file-system or disk image) of the UFS1 inode of a
// file of `size` bytes whose first block is at fragment `first`; npos when
// there is none.
size_t findInode(const std::string& bytes, uint64_t size, uint32_t first);

}  // namespace disk_testing
