#include "file/ufs/Ufs.h"

#include <cstring>

#include "file/ErrorNumber.h"
#include "file/FaultReport.h"
#include "file/LittleEndian.h"
#include "platform/Allocate.h"
#include "platform/ce/CeTypes.h"

namespace {

using namespace errno_value;

constexpr uint32_t kRootInode = 2;
constexpr uint32_t kNameBytes = 1024;
constexpr uint32_t kMaxLinks = 32;
constexpr int32_t kMinBlockSize = 1376;
constexpr int32_t kMaxBlockSize = 65536;
constexpr uint32_t kMaxInnerLink = UfsInode::kBytes - UfsInode::kInnerLinkOffset;
// Reads that take whole blocks go to the caller's buffer in requests of at
// most this many bytes (or one block when blocks are larger).
constexpr uint32_t kDirectRunBytes = 1024 * 1024;

bool powerOfTwo(uint64_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

uint32_t log2Of(uint32_t v) {
    uint32_t n = 0;
    while (v > 1)
        v >>= 1, ++n;
    return n;
}

// The checks the reader's arithmetic relies on: the geometry must agree with
// itself, so no computed size or offset can leave a buffer.
bool consistent(const UfsSuperblock& s) {
    if (!powerOfTwo(uint32_t(s.blockSize)) || s.blockShift < 0 || s.blockShift > 16 ||
        (1 << s.blockShift) != s.blockSize)
        return false;
    if (s.fragmentShift < 0 || s.fragmentShift > 3 ||
        s.fragmentSize != s.blockSize >> s.fragmentShift || s.fragmentSize < 512 ||
        s.fragmentToSectorShift < 0 || s.fragmentToSectorShift > 7 ||
        512 << s.fragmentToSectorShift != s.fragmentSize)
        return false;
    if (s.blockOffsetMask != s.blockSize - 1 || s.fragmentOffsetMask != s.fragmentSize - 1 ||
        s.fragmentMask != ~(s.fragmentSize - 1))
        return false;
    if (uint32_t(s.addressesPerBlock) != uint32_t(s.blockSize) / 4 ||
        uint32_t(s.inodesPerBlock) != uint32_t(s.blockSize) / UfsInode::kBytes)
        return false;
    if (s.inodesPerGroup <= 0 || s.fragmentsPerGroup <= 0 || s.cylinderGroups <= 0 ||
        s.totalFragments <= 0 ||
        uint64_t(s.inodesPerGroup) * uint64_t(s.cylinderGroups) > 0xFFFFFFFF)
        return false;
    // Sector numbers are 32-bit.
    if ((uint64_t(s.totalFragments) << s.fragmentToSectorShift) > 0xFFFFFFFF)
        return false;
    return s.maxInnerLinkLength <= int32_t(kMaxInnerLink);
}

Console* const* consoleOf(const OpenFileRecord& record) {
    return record.console;
}

// Reads `count` bytes at fragment address `fragment`; the whole range must lie
// inside the file system, and the device must deliver every byte.
int readFragments(OpenFileRecord& record, uint64_t fragment, uint32_t count, uint8_t* to) {
    const UfsSuperblock& fs = record.file->fs;
    uint64_t fragments =
        (uint64_t(count) + uint32_t(fs.fragmentSize) - 1) >> log2Of(fs.fragmentSize);
    if (fragment + fragments > uint32_t(fs.totalFragments)) {
        reportFault(consoleOf(record),
                    TEXT("ufs: block address 0x%x of inode %u beyond the file system (0x%x ")
                        TEXT("fragments)\n"),
                    uint32_t(fragment > 0xFFFFFFFF ? 0xFFFFFFFF : fragment), record.file->inumber,
                    uint32_t(fs.totalFragments));
        return kIo;
    }
    uint32_t transferred = 0;
    uint32_t sector = uint32_t(fragment) << fs.fragmentToSectorShift;
    int e = record.device->strategy(record.deviceState, 1, sector, count, to, &transferred);
    if (e != 0)
        return e;
    if (transferred != count) {
        reportFault(consoleOf(record), TEXT("ufs: short read at sector 0x%x: %u of %u bytes\n"),
                    sector, transferred, count);
        return kIo;
    }
    return 0;
}

// The bytes file block `b` takes on the disk: a whole block, except for the
// last block of a small file, which takes only the fragments it needs.
uint32_t blockBytes(const UfsFile& f, uint32_t b) {
    const UfsSuperblock& fs = f.fs;
    uint32_t size = ufsSize(f);
    if (b >= UfsInode::kDirect || (uint64_t(b) + 1) << fs.blockShift <= size)
        return uint32_t(fs.blockSize);
    return ((size & uint32_t(fs.blockOffsetMask)) + uint32_t(fs.fragmentOffsetMask)) &
           uint32_t(fs.fragmentMask);
}

// The indirect block at `address`, from the slot that keeps the blocks of its
// place in the indirection tree; read only when the slot holds another one.
int indirectBlock(OpenFileRecord& record, uint32_t slot, uint32_t address, const uint8_t*& block) {
    UfsFile& f = *record.file;
    UfsFile::IndirectBlock& held = f.indirect[slot];
    if (!held.data) {
        held.data = allocateArray<uint8_t>(uint32_t(f.fs.blockSize));
        if (!held.data)
            return kNoMemory;
    }
    if (held.address != address) {
        held.address = kNotFound;
        if (int e = readFragments(record, address, uint32_t(f.fs.blockSize), held.data.get()))
            return e;
        held.address = address;
    }
    block = held.data.get();
    return 0;
}

void forgetBlocks(UfsFile& f) {
    for (UfsFile::IndirectBlock& held : f.indirect)
        held.address = kNotFound;
    f.runFirst = kNotFound;
    f.runBlocks = 0;
}

}  // namespace

int readInode(OpenFileRecord& record, uint32_t n) {
    UfsFile& f = *record.file;
    const UfsSuperblock& fs = f.fs;
    if (n >= f.inodeCount) {
        reportFault(consoleOf(record), TEXT("ufs: inode %u beyond the file system (%u inodes)\n"),
                    n, f.inodeCount);
        return kIo;
    }
    uint32_t ipg = uint32_t(fs.inodesPerGroup), ipb = uint32_t(fs.inodesPerBlock);
    uint32_t g = n / ipg;
    // In 64 bits: a damaged geometry must not wrap into a valid address.
    uint64_t address =
        uint64_t(uint32_t(fs.fragmentsPerGroup)) * g +
        uint64_t(uint32_t(fs.cylinderGroupOffset)) * (g & ~uint32_t(fs.cylinderGroupMask)) +
        uint32_t(fs.inodeAreaOffset) + (uint64_t((n % ipg) / ipb) << fs.fragmentShift);
    forgetBlocks(f);
    f.inumber = n;
    if (int e = readFragments(record, address, uint32_t(fs.blockSize), f.blockBuffer.get()))
        return e;
    std::memcpy(f.inode, f.blockBuffer.get() + (n % ipb) * UfsInode::kBytes, UfsInode::kBytes);
    f.current = UfsInode::load(f.inode);
    return 0;
}

namespace {

constexpr int kNotKept = -1;

// blockMap; with `mayRead` false, an indirect block that is not kept is not
// read either: the result is then kNotKept.
int mapBlock(OpenFileRecord& record, uint32_t b, uint32_t& address, bool mayRead) {
    UfsFile& f = *record.file;
    if (b < UfsInode::kDirect) {
        address = f.current.direct[b];
        return 0;
    }
    b -= UfsInode::kDirect;
    const uint32_t shift = f.indirectShift;
    uint64_t rest = b;
    uint32_t level = 0;
    for (;;) {
        level += shift;
        if (level > 3 * shift)
            return kFileTooLarge;
        if (rest < (uint64_t(1) << level))
            break;
        rest -= uint64_t(1) << level;
    }
    uint32_t chain = level / shift - 1;  // 0 single, 1 double, 2 triple
    uint32_t slot = chain * (chain + 1) / 2;
    address = f.current.indirect[chain];
    for (;;) {
        level -= shift;
        if (address == 0)
            return 0;  // a hole
        if (!mayRead && f.indirect[slot].address != address)
            return kNotKept;
        const uint8_t* block = nullptr;
        if (int e = indirectBlock(record, slot++, address, block))
            return e;
        address = le32(block + 4 * (rest >> level));
        if (level == 0)
            return 0;
        rest &= (uint64_t(1) << level) - 1;
    }
}

}  // namespace

int blockMap(OpenFileRecord& record, uint32_t b, uint32_t& address) {
    return mapBlock(record, b, address, true);
}

namespace {

// Reads file blocks from `first` on into `to`, as many as lie one after
// another on the disk, at most `maxBlocks` (at least 1) and never past the
// file's last block, with one device request. A hole gives one block of
// zeros; directories and symbolic links have no holes. Reports the blocks
// and bytes read.
int readRun(OpenFileRecord& record, uint32_t first, uint32_t maxBlocks, uint8_t* to,
            uint32_t& blocks, uint32_t& bytes) {
    UfsFile& f = *record.file;
    uint32_t lastBlock = (ufsSize(f) - 1) >> f.fs.blockShift;
    if (maxBlocks > lastBlock - first + 1)
        maxBlocks = lastBlock - first + 1;
    uint32_t start = 0;
    if (int e = blockMap(record, first, start))
        return e;
    blocks = 1;
    bytes = blockBytes(f, first);
    if (start == 0) {
        if (f.current.isDirectory() || f.current.isSymbolicLink()) {
            reportFault(consoleOf(record), TEXT("ufs: hole in block %u of inode %u\n"), first,
                        f.inumber);
            return kIo;
        }
        std::memset(to, 0, bytes);
        return 0;
    }
    const uint64_t step = uint64_t(1) << f.fs.fragmentShift;
    while (blocks < maxBlocks) {
        // The run ends where mapping needs an indirect block not read yet:
        // a damaged one is the error of the read that wants its blocks.
        uint32_t next = 0;
        if (mapBlock(record, first + blocks, next, false) != 0 || next != start + step * blocks)
            break;
        bytes += blockBytes(f, first + blocks);
        ++blocks;
    }
    return readFragments(record, start, bytes, to);
}

bool runHolds(const UfsFile& f, uint32_t b) {
    return f.runFirst != kNotFound && b >= f.runFirst && b - f.runFirst < f.runBlocks;
}

}  // namespace

int readFileBlock(OpenFileRecord& record, const uint8_t*& data, uint32_t& count) {
    UfsFile& f = *record.file;
    const UfsSuperblock& fs = f.fs;
    uint32_t size = ufsSize(f);
    if (f.seekPosition >= size)
        return kIo;
    uint32_t o = f.seekPosition & uint32_t(fs.blockOffsetMask);
    uint32_t fb = f.seekPosition >> fs.blockShift;
    if (!runHolds(f, fb)) {
        f.runFirst = kNotFound;
        uint32_t blocks = 0, bytes = 0;
        if (int e = readRun(record, fb, f.runCapacity >> fs.blockShift, f.runBuffer.get(), blocks,
                            bytes))
            return e;
        f.runFirst = fb;
        f.runBlocks = blocks;
    }
    uint32_t bytes = blockBytes(f, fb);
    if (o >= bytes)
        return kIo;
    data = f.runBuffer.get() + ((fb - f.runFirst) << fs.blockShift) + o;
    count = bytes - o < size - f.seekPosition ? bytes - o : size - f.seekPosition;
    return 0;
}

namespace {

// Looks `length` bytes of `name` up in one piece of a directory. 0 with
// `inumber` set when found, kNoEntry when not, kIo for a damaged entry.
int searchPiece(const UfsFile& f, const uint8_t* data, uint32_t count, const char* name,
                uint32_t length, uint32_t& inumber) {
    bool oldFormat = f.fs.maxInnerLinkLength <= 0;
    for (uint32_t at = 0; at + sizeof(UfsDirectoryEntry) <= count;) {
        UfsDirectoryEntry e = UfsDirectoryEntry::load(data + at);
        if (e.recordLength == 0)
            break;
        // An entry must advance and stay inside its block, its name too.
        if (e.recordLength < sizeof e || e.recordLength > count - at)
            return kIo;
        // The old format keeps a 16-bit name length where type and length are.
        uint32_t nameLength = oldFormat ? uint32_t(e.type | e.nameLength << 8) : e.nameLength;
        if (e.inode != 0) {
            if (sizeof e + nameLength > e.recordLength)
                return kIo;
            if (nameLength == length && std::memcmp(data + at + sizeof e, name, length) == 0) {
                inumber = e.inode;
                return 0;
            }
        }
        at += e.recordLength;
    }
    return kNoEntry;
}

}  // namespace

int searchDirectory(OpenFileRecord& record, const char* name, uint32_t length, uint32_t& inumber) {
    UfsFile& f = *record.file;
    f.seekPosition = 0;
    while (f.seekPosition < ufsSize(f)) {
        const uint8_t* data = nullptr;
        uint32_t count = 0;
        if (int e = readFileBlock(record, data, count))
            return e;
        int r = searchPiece(f, data, count, name, length, inumber);
        if (r != kNoEntry)
            return r;
        f.seekPosition += count;
    }
    return kNoEntry;
}

namespace {

// Replaces the link at the walk's position by its target: the rest of the
// path moves behind the target text in `names`.
int followLink(OpenFileRecord& record, char* names, const char* rest, uint32_t& links) {
    UfsFile& f = *record.file;
    uint64_t length = f.current.size;
    size_t restLength = std::strlen(rest);
    // Length first on its own: a huge size must not wrap the sum.
    if (length > kNameBytes || length + restLength > kNameBytes || ++links > kMaxLinks)
        return kNoEntry;
    std::memmove(names + length, rest, restLength + 1);
    if (int64_t(length) < f.fs.maxInnerLinkLength) {
        std::memcpy(names, f.inode + UfsInode::kInnerLinkOffset, length);
        return 0;
    }
    f.seekPosition = 0;
    const uint8_t* data = nullptr;
    uint32_t count = 0;
    if (length > 0) {
        if (int e = readFileBlock(record, data, count))
            return e;
        if (count < length)
            return kIo;
        std::memcpy(names, data, length);
    }
    return 0;
}

int walk(OpenFileRecord& record, const char* path) {
    UfsFile& f = *record.file;
    char names[kNameBytes + 1];
    size_t pathLength = std::strlen(path);
    if (pathLength > kNameBytes)
        return kNoEntry;
    std::memcpy(names, path, pathLength + 1);
    uint32_t current = kRootInode, links = 0;
    if (int e = readInode(record, current))
        return e;
    for (char* cursor = names;;) {
        while (*cursor == '/')
            ++cursor;
        if (*cursor == 0)
            return 0;
        if (!f.current.isDirectory())
            return kNotDirectory;
        char* end = cursor;
        while (*end && *end != '/')
            ++end;
        uint32_t parent = current;
        if (int e = searchDirectory(record, cursor, uint32_t(end - cursor), current))
            return e;
        if (int e = readInode(record, current))
            return e;
        cursor = end;
        if (!f.current.isSymbolicLink())
            continue;
        if (int e = followLink(record, names, cursor, links))
            return e;
        cursor = names;
        current = names[0] == '/' ? kRootInode : parent;
        if (int e = readInode(record, current))
            return e;
    }
}

int readSuperblock(OpenFileRecord& record) {
    UfsFile& f = *record.file;
    f.superblock = allocateArray<uint8_t>(UfsSuperblock::kBytes);
    if (!f.superblock)
        return kNoMemory;
    uint32_t transferred = 0;
    int e = record.device->strategy(record.deviceState, 1, UfsSuperblock::kSector,
                                    UfsSuperblock::kBytes, f.superblock.get(), &transferred);
    if (e != 0)
        return e;
    const UfsSuperblock fs = UfsSuperblock::load(f.superblock.get());
    if (transferred != UfsSuperblock::kBytes || fs.magic != UfsSuperblock::kMagic) {
        reportFault(consoleOf(record), TEXT("ufs: no UFS superblock (magic 0x%x)\n"), fs.magic);
        return kInvalid;
    }
    if (fs.blockSize > kMaxBlockSize || fs.blockSize < kMinBlockSize ||
        !powerOfTwo(uint32_t(fs.addressesPerBlock)) || !consistent(fs)) {
        reportFault(consoleOf(record),
                    TEXT("ufs: superblock geometry not usable (block size %d)\n"), fs.blockSize);
        return kInvalid;
    }
    f.fs = fs;
    f.inodeCount = uint32_t(fs.inodesPerGroup) * uint32_t(fs.cylinderGroups);
    f.indirectShift = log2Of(uint32_t(fs.addressesPerBlock));
    f.blockBuffer = allocateArray<uint8_t>(uint32_t(fs.blockSize));
    f.runCapacity =
        uint32_t(fs.blockSize) > UfsFile::kRunBytes ? uint32_t(fs.blockSize) : UfsFile::kRunBytes;
    f.runBuffer = allocateArray<uint8_t>(f.runCapacity);
    return f.blockBuffer && f.runBuffer ? 0 : kNoMemory;
}

}  // namespace

uint32_t ufsSize(const UfsFile& file) {
    // Positions are 32-bit: a larger file is read up to 4 GiB - 1.
    return file.current.size > 0xFFFFFFFF ? 0xFFFFFFFF : uint32_t(file.current.size);
}

OpenFileRecord::OpenFileRecord() = default;
OpenFileRecord::~OpenFileRecord() = default;

int ufsOpen(OpenFileRecord& record, const char* path) {
    ufsClose(record);
    record.file = allocate<UfsFile>();
    if (!record.file)
        return kNoMemory;
    int e = readSuperblock(record);
    if (e == 0)
        e = walk(record, path);
    if (e != 0) {
        ufsClose(record);
        return e;
    }
    record.file->seekPosition = 0;
    return 0;
}

int ufsRead(OpenFileRecord& record, void* destination, uint32_t count, uint32_t& remaining) {
    remaining = count;
    UfsFile* f = record.file.get();
    if (!f)
        return kInvalid;
    auto* to = static_cast<uint8_t*>(destination);
    const uint32_t shift = uint32_t(f->fs.blockShift);
    while (remaining != 0 && f->seekPosition < ufsSize(*f)) {
        uint32_t b = f->seekPosition >> shift;
        uint32_t wholeBlocks = ufsSize(*f) >> shift;  // blocks that lie wholly in the file
        if ((f->seekPosition & uint32_t(f->fs.blockOffsetMask)) == 0 && !runHolds(*f, b) &&
            b < wholeBlocks && remaining >> shift != 0) {
            // Whole blocks go straight to the destination, a run per request.
            uint32_t want = remaining >> shift;
            if (want > wholeBlocks - b)
                want = wholeBlocks - b;
            if (want > kDirectRunBytes >> shift)
                want = kDirectRunBytes >> shift;
            uint32_t blocks = 0, bytes = 0;
            if (int e = readRun(record, b, want, to, blocks, bytes))
                return e;
            f->seekPosition += bytes;
            to += bytes;
            remaining -= bytes;
            continue;
        }
        const uint8_t* data = nullptr;
        uint32_t piece = 0;
        if (int e = readFileBlock(record, data, piece))
            return e;
        uint32_t n = remaining < piece ? remaining : piece;
        std::memcpy(to, data, n);
        f->seekPosition += n;
        to += n;
        remaining -= n;
    }
    return 0;
}

uint32_t ufsSeek(OpenFileRecord& record, uint32_t offset, uint32_t origin) {
    UfsFile* f = record.file.get();
    if (!f)
        return kNotFound;
    switch (origin) {
        case ufs_origin::kFromStart:
            f->seekPosition = offset;
            break;
        case ufs_origin::kFromCurrent:
            f->seekPosition += offset;
            break;
        case ufs_origin::kFromEnd:
            f->seekPosition = ufsSize(*f) - offset;
            break;
        default:
            return kNotFound;
    }
    return f->seekPosition;
}

int ufsStat(OpenFileRecord& record, UfsStat& status) {
    if (!record.file)
        return kInvalid;
    const UfsInode& i = record.file->current;
    status = UfsStat{i.mode, i.owner, i.group, i.size};
    return 0;
}

int ufsClose(OpenFileRecord& record) {
    record.file.reset();
    return 0;
}
