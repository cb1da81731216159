// Fuzz target: the partition discovery of the block device layer (the PC
// partition table of sector 0, the choice of the partition, the disk label
// and its checksum) over a sector reader on a disk image held in memory
// (fuzz/SparseImage.h), for label indexes in and out of range.
#include <cstdint>
#include <cstdlib>
#include <new>

#include "SparseImage.h"
#include "file/winblk/Winblk.h"
#include "file/winblk/WinblkDisk.h"

namespace {

int readSector(void* context, uint32_t sector, uint8_t* destination) {
    const auto* image = static_cast<const SparseImage*>(context);
    return image->read(uint64_t(sector) * SparseImage::kSector, SparseImage::kSector, destination)
               ? 0
               : 5;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SparseImage image(data, size);
    for (int index : {0, 1, 7, 8, -1}) {
        WinblkDisk disk{};
        disk.diskInfo.di_total_sectors = image.sectors();
        disk.diskInfo.di_bytes_per_sect = SparseImage::kSector;
        int r = winblkFindPartition(disk, index, readSector, &image);
        if (r != 0 && r != 5 && r != 22)
            std::abort();
    }
    return 0;
}
