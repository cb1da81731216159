// The block driver interface of disks ("DSK1:"), reached with DeviceIoControl.
#pragma once

#include "platform/ce/CeTypes.h"

namespace ce {

constexpr DWORD DISK_IOCTL_GETINFO = 1;  // in: DISK_INFO, filled by the driver
constexpr DWORD DISK_IOCTL_READ = 2;     // in: SG_REQ

constexpr DWORD ERROR_SECTOR_NOT_FOUND = 27;  // a request past the disk's end

constexpr DWORD DISK_INFO_FLAG_MBR = 0x01;
constexpr DWORD DISK_INFO_FLAG_CHS_UNCERTAIN = 0x02;
constexpr DWORD DISK_INFO_FLAG_UNFORMATTED = 0x04;
constexpr DWORD DISK_INFO_FLAG_PAGEABLE = 0x08;

struct DISK_INFO {
    DWORD di_total_sectors;
    DWORD di_bytes_per_sect;
    DWORD di_cylinders;
    DWORD di_heads;
    DWORD di_sectors;
    DWORD di_flags;
};
static_assert(sizeof(DISK_INFO) == 24);

struct SG_BUF {
    BYTE* sb_buf;
    DWORD sb_len;  // bytes
};

using PFN_REQDONE = DWORD (*)(struct SG_REQ* request);

// A scatter-gather request: sr_num_sg buffers of sr_num_sec sectors in all,
// starting at sr_start. The driver stores its result in sr_status (0 = done).
struct SG_REQ {
    DWORD sr_start;
    DWORD sr_num_sec;
    DWORD sr_num_sg;
    DWORD sr_status;
    PFN_REQDONE sr_callback;
    SG_BUF sr_sglist[1];
};
// 28 bytes on the handheld, where pointers are 32-bit.
static_assert(sizeof(void*) != 4 || sizeof(SG_REQ) == 28);

}  // namespace ce
