#include "file/winblk/Winblk.h"

#include <cstdarg>
#include <cstring>
#include <memory>
#include <new>

#include "console/Console.h"
#include "file/ErrorNumber.h"
#include "file/FaultReport.h"
#include "file/LittleEndian.h"
#include "file/winblk/WinblkDisk.h"
#include "platform/Align.h"
#include "platform/ce/CeDisk.h"
#include "platform/ce/CeFile.h"
#include "platform/ce/CeSystem.h"
#include "platform/ce/CeText.h"

namespace {

using namespace errno_value;

constexpr uint8_t kTypeTolvar = 0xA9;
constexpr uint8_t kTypeFallback = 0xA5;
constexpr uint32_t kPartitionTableOffset = 446;

void debugPrint(const ce::WCHAR* format, ...) {
    // The unbounded formatter writes at most WSPRINTF_LIMIT units.
    ce::WCHAR buffer[2048];
    static_assert(ce::WSPRINTF_LIMIT <= 2048);
    va_list args;
    va_start(args, format);
    ce::wvsprintfW(buffer, format, args);
    va_end(args);
    if (buffer[0])
        ce::OutputDebugStringW(buffer);
}

// The debug output has the request's lines already; a failed request is
// also shown on the console, with its request, as the debug output shows it.
void consoleLine(const WinblkDisk& disk, const ce::WCHAR* format, ...) {
    if (!disk.console || !*disk.console)
        return;
    ce::WCHAR line[ce::WSPRINTF_LIMIT];
    va_list args;
    va_start(args, format);
    ce::wvsprintfW(line, format, args);
    va_end(args);
    (*disk.console)->print(TEXT("%s"), line);
}

int rawRead(WinblkDisk& disk, uint32_t sector, uint32_t n, void* destination) {
    ce::SG_REQ request{};
    request.sr_start = sector;
    request.sr_num_sec = n;
    request.sr_num_sg = 1;
    request.sr_callback = nullptr;
    request.sr_sglist[0].sb_buf = static_cast<ce::BYTE*>(destination);
    request.sr_sglist[0].sb_len = n * WinblkDisk::kSectorBytes;
    debugPrint(TEXT("rawread(0x%x, %d)"), sector, n);
    if (!ce::DeviceIoControl(disk.handle, ce::DISK_IOCTL_READ, &request, sizeof request, nullptr, 0,
                             nullptr, nullptr)) {
        ce::DWORD error = ce::GetLastError();
        debugPrint(TEXT("DeviceIoControl() failed.error=%d\n"), error);
        consoleLine(disk, TEXT("rawread(0x%x, %d)DeviceIoControl() failed.error=%d\n"), sector, n,
                    error);
        return kIo;
    }
    debugPrint(TEXT("=%d\n"), request.sr_status);
    if (request.sr_status != 0) {
        debugPrint(TEXT("DeviceIoControl(READ): status=%d\n"), request.sr_status);
        consoleLine(disk, TEXT("rawread(0x%x, %d)=%d\nDeviceIoControl(READ): status=%d\n"), sector,
                    n, request.sr_status, request.sr_status);
        return kIo;
    }
    return 0;
}

int openDevice(WinblkDisk& disk, const char* prefix, int unit) {
    if (!prefix || std::strlen(prefix) != 3 || unit < 0 || unit > 9)
        return kNoDevice;
    auto upper = [](char c) { return int(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); };
    ce::WCHAR name[ce::WSPRINTF_LIMIT];
    ce::wsprintfW(name, TEXT("%C%C%C%d:"), upper(prefix[0]), upper(prefix[1]), upper(prefix[2]),
                  unit);
    debugPrint(TEXT("winblk.open: block device name is '%s'\n"), name);
    disk.handle =
        ce::CreateFileW(name, ce::GENERIC_READ, 0, nullptr, ce::OPEN_EXISTING, 0, nullptr);
    if (disk.handle == ce::INVALID_HANDLE_VALUE) {
        debugPrint(TEXT("can't open %s.\n"), name);
        return kNoDevice;
    }
    return 0;
}

int checkDisk(WinblkDisk& disk) {
    if (!ce::DeviceIoControl(disk.handle, ce::DISK_IOCTL_GETINFO, &disk.diskInfo,
                             sizeof disk.diskInfo, nullptr, 0, nullptr, nullptr)) {
        debugPrint(TEXT("DeviceIoControl() failed.error=%d\n"), ce::GetLastError());
        return kIo;
    }
    const ce::DISK_INFO& info = disk.diskInfo;
    debugPrint(TEXT("DISK_INFO: CHS=%d:%d:%d  block size=%d  flag="), info.di_cylinders,
               info.di_heads, info.di_sectors, info.di_bytes_per_sect);
    struct Flag {
        uint32_t bit;
        const ce::WCHAR* name;
    } flags[] = {{ce::DISK_INFO_FLAG_MBR, TEXT("MBR ")},
                 {ce::DISK_INFO_FLAG_CHS_UNCERTAIN, TEXT("CHS_UNCERTAIN ")},
                 {ce::DISK_INFO_FLAG_UNFORMATTED, TEXT("UNFORMATTED ")},
                 {ce::DISK_INFO_FLAG_PAGEABLE, TEXT("PAGEABLE ")}};
    for (const Flag& flag : flags) {
        if (info.di_flags & flag.bit)
            debugPrint(flag.name);
    }
    debugPrint(TEXT("\n"));
    bool usable =
        (info.di_flags & ce::DISK_INFO_FLAG_MBR) &&
        !(info.di_flags & (ce::DISK_INFO_FLAG_CHS_UNCERTAIN | ce::DISK_INFO_FLAG_UNFORMATTED)) &&
        info.di_bytes_per_sect == WinblkDisk::kSectorBytes;
    if (!usable) {
        debugPrint(TEXT("invalid flags\n"));
        return kInvalid;
    }
    return 0;
}

// The first 0xA9 partition, else the last 0xA5 one; null when neither.
const uint8_t* choosePartition(const WinblkDisk& disk) {
    const uint8_t* chosen = nullptr;
    for (int i = 0; i < 4; ++i) {
        const uint8_t* entry = disk.partitionTable + 16 * i;
        PartitionEntry e = PartitionEntry::load(entry);
        debugPrint(TEXT("%d: type=%d %d(%d) (%d:%d:%d - %d:%d:%d) flag=0x%02x\n"), i, e.type,
                   e.firstSector, e.sectorCount, e.startCylinder, e.startHead, e.startSector,
                   e.endCylinder, e.endHead, e.endSector, e.bootFlag);
    }
    for (int i = 0; i < 4; ++i) {
        const uint8_t* entry = disk.partitionTable + 16 * i;
        if (entry[offsetof(PartitionEntry, type)] == kTypeTolvar)
            return entry;
        if (entry[offsetof(PartitionEntry, type)] == kTypeFallback)
            chosen = entry;
    }
    return chosen;
}

// A label counts when both magics are there, it announces no more
// partitions than the copy holds, and its checksum comes out 0.
bool labelValid(const uint8_t* label) {
    uint32_t count = le16(label + offsetof(DiskLabel, partitionCount));
    return le32(label + offsetof(DiskLabel, magic)) == DiskLabel::kMagic &&
           le32(label + offsetof(DiskLabel, magic2)) == DiskLabel::kMagic &&
           count <= DiskLabel::kMaxPartitions && DiskLabel::checksumOf(label, count) == 0;
}

}  // namespace

int winblkFindPartition(WinblkDisk& disk, int index, SectorReader read, void* context) {
    if (int r = read(context, 0, disk.sectorBuffer))
        return r;
    std::memcpy(disk.partitionTable, disk.sectorBuffer + kPartitionTableOffset,
                sizeof disk.partitionTable);
    const uint8_t* entry = choosePartition(disk);
    if (!entry) {
        disk.startSector = 0;
        disk.sectorCount = disk.diskInfo.di_total_sectors;
        debugPrint(TEXT("no Tolvar partition, start sector=0x%x\n"), 0);
        return 0;
    }
    disk.startSector = le32(entry + offsetof(PartitionEntry, firstSector));
    disk.sectorCount = le32(entry + offsetof(PartitionEntry, sectorCount));
    if (int r = read(context, disk.startSector + 1, disk.sectorBuffer))
        return r;
    std::memcpy(disk.label, disk.sectorBuffer, sizeof disk.label);
    if (!labelValid(disk.label)) {
        debugPrint(TEXT("invalid disklabel, start sector=0x%x\n"), disk.startSector);
        return 0;
    }
    if (index < 0 || uint32_t(index) >= le16(disk.label + offsetof(DiskLabel, partitionCount)))
        return kInvalid;
    const uint8_t* partition =
        disk.label + offsetof(DiskLabel, partitions) + sizeof(LabelPartition) * uint32_t(index);
    disk.startSector = le32(partition + offsetof(LabelPartition, firstSector));
    disk.sectorCount = le32(partition + offsetof(LabelPartition, size));
    debugPrint(TEXT("start sector=0x%x\n"), disk.startSector);
    return 0;
}

namespace {

// The driver as the sector reader of the partition discovery.
int readDiskSector(void* context, uint32_t sector, uint8_t* destination) {
    return rawRead(*static_cast<WinblkDisk*>(context), sector, 1, destination);
}

// A partition that runs past the end of the disk is cut there; one that
// starts beyond it has no sector that can be read. A driver that reports no
// size leaves the partition as its table gives it.
void keepInsideDisk(WinblkDisk& disk) {
    uint32_t total = disk.diskInfo.di_total_sectors;
    if (total == 0)
        return;
    if (disk.startSector >= total) {
        disk.sectorCount = 0;
    } else if (disk.sectorCount > total - disk.startSector) {
        disk.sectorCount = total - disk.startSector;
    }
}

int winblkClose(OpenFileRecord* record) {
    // The state is owned through the record's untyped slot and ends here.
    std::unique_ptr<WinblkDisk> disk(static_cast<WinblkDisk*>(record->deviceState));
    record->deviceState = nullptr;
    // The device handle goes with the state: nothing else could close it.
    if (disk && disk->handle != ce::INVALID_HANDLE_VALUE)
        ce::CloseHandle(disk->handle);
    return 0;
}

int winblkOpen(OpenFileRecord* record, const char* prefix, int unit, int index) {
    auto* disk = new (std::nothrow) WinblkDisk{};  // owned by the record; winblkClose frees it
    if (!disk)
        return kNoMemory;
    disk->handle = ce::INVALID_HANDLE_VALUE;
    disk->console = record->console;
    record->deviceState = disk;
    int r = openDevice(*disk, prefix, unit);
    if (r == 0)
        r = checkDisk(*disk);
    if (r == 0)
        r = winblkFindPartition(*disk, index, readDiskSector, disk);
    if (r == 0)
        keepInsideDisk(*disk);
    if (r != 0)
        winblkClose(record);
    return r;
}

int winblkStrategy(void* state, int direction, uint32_t sector, uint32_t count, void* destination,
                   uint32_t* transferred) {
    if (direction != 1)
        return kReadOnly;
    auto* disk = static_cast<WinblkDisk*>(state);
    if (!disk)
        return kNoDevice;
    uint64_t sectors = alignUp(count, WinblkDisk::kSectorBytes) / WinblkDisk::kSectorBytes;
    if (uint64_t(sector) + sectors > disk->sectorCount) {
        reportFault(disk->console,
                    TEXT("read beyond the partition: sector 0x%x, %u bytes; the partition has ")
                        TEXT("0x%x sectors\n"),
                    sector, count, disk->sectorCount);
        return kIo;
    }
    sector += disk->startSector;
    uint32_t n = count / WinblkDisk::kSectorBytes;
    if (n != 0) {
        if (int r = rawRead(*disk, sector, n, destination))
            return r;
    }
    uint32_t whole = n * WinblkDisk::kSectorBytes;
    if (whole < count) {
        if (int r = rawRead(*disk, sector + n, 1, disk->sectorBuffer))
            return r;
        std::memcpy(static_cast<uint8_t*>(destination) + whole, disk->sectorBuffer, count - whole);
    }
    if (transferred)
        *transferred = count;
    return 0;
}

int winblkIoctl(OpenFileRecord*, uint32_t, void*) {
    return kIo;
}

}  // namespace

PartitionEntry PartitionEntry::load(const uint8_t* bytes) {
    PartitionEntry e;
    std::memcpy(&e, bytes, offsetof(PartitionEntry, firstSector));
    e.firstSector = le32(bytes + offsetof(PartitionEntry, firstSector));
    e.sectorCount = le32(bytes + offsetof(PartitionEntry, sectorCount));
    return e;
}

uint16_t DiskLabel::checksumOf(const uint8_t* bytes, uint32_t count) {
    uint32_t end = offsetof(DiskLabel, partitions) + sizeof(LabelPartition) * count;
    uint16_t sum = 0;
    for (uint32_t at = 0; at < end; at += 2)
        sum ^= le16(bytes + at);
    return sum;
}

const DeviceSwitch& winblk() {
    static const DeviceSwitch entry{"winblk", winblkStrategy, winblkOpen, winblkClose, winblkIoctl};
    return entry;
}
