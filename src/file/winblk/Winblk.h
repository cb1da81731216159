// The block device layer: a UFS partition of a Windows CE disk ("DSK1:"),
// read sector by sector relative to the partition's start. It is reached only
// through its device switch entry. Read-only. Its messages go to the debug
// output channel.
#pragma once

#include <cstdint>
#include <memory>

class Console;
struct OpenFileRecord;
struct UfsFile;

// A device's entry points. Results are 0 or a POSIX error number.
struct DeviceSwitch {
    const char* name;
    // Reads `count` bytes from `sector` (relative to the partition) into
    // `destination`; direction 1 is a read, anything else gives 30. A read
    // that does not lie wholly inside the partition, or that the driver
    // fails, gives 5 after a line on the debug output and the console. The
    // count transferred is stored through `transferred` when it is not null.
    int (*strategy)(void* state, int direction, uint32_t sector, uint32_t count, void* destination,
                    uint32_t* transferred);
    // Opens device PREFIX+unit (prefix of exactly 3 characters, unit 0-9),
    // checks the disk and finds the partition; `index` chooses the disk
    // label's partition. Stores the device state in the record, or null.
    // The partition's extent comes from the entry chosen (the label's, the
    // partition table's, or the whole disk), cut at the end of the disk.
    int (*open)(OpenFileRecord* record, const char* prefix, int unit, int index);
    // Releases the device state and closes the device.
    int (*close)(OpenFileRecord* record);
    // Not supported: always 5.
    int (*ioctl)(OpenFileRecord* record, uint32_t command, void* data);
};

// What the UFS backend keeps of its device and open file.
struct OpenFileRecord {
    const DeviceSwitch* device = nullptr;
    void* deviceState = nullptr;    // set by the device's open
    std::unique_ptr<UfsFile> file;  // set by ufsOpen
    // The slot holding the console that read failures are also printed on;
    // may be null. Set by the UFS backend before the device is opened.
    Console* const* console = nullptr;

    // Defined by the UFS reader, which knows UfsFile: the block device layer
    // never sees the file system's records.
    OpenFileRecord();
    ~OpenFileRecord();
};

// The entry of the Windows CE block device layer.
const DeviceSwitch& winblk();

struct WinblkDisk;
// Reads one 512-byte sector, counted from the start of the disk; 0 or an
// error number.
using SectorReader = int (*)(void* context, uint32_t sector, uint8_t* destination);
// The partition discovery of `open`, over any sector reader: reads the
// partition table of sector 0 and the disk label, and sets the disk's
// startSector and sectorCount (`diskInfo` must hold the disk's size). 0, 22
// for a label index it does not have, or the reader's error. Progress goes to
// the debug output.
int winblkFindPartition(WinblkDisk& disk, int index, SectorReader read, void* context);
