// Fuzz target: the UFS reader over a partition held in memory
// (fuzz/SparseImage.h) behind a device switch of its own: the superblock's
// checks, inodes, directories, symbolic links and the block map, through
// the paths the seeds hold, then reads across the file, seeks and a stat.
#include "file/ufs/Ufs.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "SparseImage.h"
#include "file/ufs/UfsFile.h"
#include "file/winblk/Winblk.h"

namespace {

const SparseImage* image = nullptr;

int strategy(void*, int direction, uint32_t sector, uint32_t count, void* destination,
             uint32_t* transferred) {
    if (direction != 1)
        return 30;
    if (!image->read(uint64_t(sector) * SparseImage::kSector, count, destination))
        return 5;
    if (transferred)
        *transferred = count;
    return 0;
}

int deviceOpen(OpenFileRecord*, const char*, int, int) {
    return 0;
}

int deviceClose(OpenFileRecord*) {
    return 0;
}

int deviceIoctl(OpenFileRecord*, uint32_t, void*) {
    return 5;
}

const DeviceSwitch kMemoryDisk{"memory", strategy, deviceOpen, deviceClose, deviceIoctl};

// Enough to cross into the double indirect blocks of small block sizes.
constexpr uint32_t kMostRead = 4u << 20;

void readFile(OpenFileRecord& record) {
    static std::vector<uint8_t> buffer(70000);
    uint32_t total = 0, remaining = 0;
    uint32_t steps[] = {1000, 70000, 4096, 13};
    for (int i = 0; total < kMostRead; ++i) {
        uint32_t want = steps[i % 4];
        int e = ufsRead(record, buffer.data(), want, remaining);
        total += want - remaining;
        if (e != 0 || remaining == want)
            break;
    }
    UfsStat status{};
    ufsStat(record, status);
    ufsSeek(record, 100, ufs_origin::kFromEnd);
    ufsRead(record, buffer.data(), 200, remaining);
    ufsSeek(record, total / 2, ufs_origin::kFromStart);
    ufsRead(record, buffer.data(), 5000, remaining);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SparseImage memory(data, size);
    image = &memory;
    OpenFileRecord record;
    record.device = &kMemoryDisk;
    for (const char* path : {"/boot/kernel", "link", "abs/file", "/", "dir/sub/../sub/file"}) {
        int e = ufsOpen(record, path);
        if ((e == 0) != (record.file != nullptr))
            std::abort();
        if (e == 0)
            readFile(record);
        ufsClose(record);
    }
    image = nullptr;
    return 0;
}
