// Block devices "DSK0:" to "DSK9:": the raw image disks/DSKn.img of the
// device folder behind the Windows CE block driver interface. machine.conf
// keys, per device (DSKn):
//   disk.DSKn.bytes_per_sector = 512     what DISK_IOCTL_GETINFO reports
//   disk.DSKn.flags = 0x1                DISK_INFO flags (default: MBR)
//   disk.DSKn.chs = C:H:S                geometry (default: 16 heads, 63 sectors)
//   disk.DSKn.bad_sector = N             a read touching sector N fails
#pragma once

#include <memory>
#include <string>

#include "ce/HandleTable.h"

namespace host {

// `name` is "DSKn:" in upper case; null with `error` set when there is no
// such disk.
std::unique_ptr<HandleObject> openDisk(const std::string& name, uint32_t access, uint32_t& error);

}  // namespace host
