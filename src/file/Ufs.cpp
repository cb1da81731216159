#include "file/Ufs.h"

#include <cstring>
#include <new>

#include "file/ErrorNumber.h"
#include "file/LittleEndian.h"

namespace {

using namespace errno_value;

constexpr uint32_t kRootInode = 2;
constexpr uint32_t kNameBytes = 1024;
constexpr uint32_t kMaxLinks = 32;
constexpr int32_t kMinBlockSize = 1376;
constexpr int32_t kMaxBlockSize = 65536;
constexpr uint32_t kMaxInnerLink = UfsInode::kBytes - UfsInode::kInnerLinkOffset;

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

// Reads `count` bytes at fragment address `fragment`; the whole range must lie
// inside the file system.
int readFragments(OpenFileRecord& record, uint32_t fragment, uint32_t count, uint8_t* to) {
    const UfsSuperblock& fs = record.file->fs;
    uint64_t fragments =
        (uint64_t(count) + uint32_t(fs.fragmentSize) - 1) >> log2Of(fs.fragmentSize);
    if (uint64_t(fragment) + fragments > uint32_t(fs.totalFragments))
        return kIo;
    uint32_t transferred = 0;
    uint32_t sector = fragment << fs.fragmentToSectorShift;
    int e = record.device->strategy(record.deviceState, 1, sector, count, to, &transferred);
    if (e != 0)
        return e;
    return transferred == count ? 0 : kIo;
}

}  // namespace

int readInode(OpenFileRecord& record, uint32_t n) {
    UfsFile& f = *record.file;
    const UfsSuperblock& fs = f.fs;
    if (n >= f.inodeCount)
        return kIo;
    uint32_t ipg = uint32_t(fs.inodesPerGroup), ipb = uint32_t(fs.inodesPerBlock);
    uint32_t g = n / ipg;
    uint32_t address = uint32_t(fs.fragmentsPerGroup) * g +
                       uint32_t(fs.cylinderGroupOffset) * (g & ~uint32_t(fs.cylinderGroupMask)) +
                       uint32_t(fs.inodeAreaOffset) + (((n % ipg) / ipb) << fs.fragmentShift);
    f.blockBufferBlock = UfsFile::kNone;
    if (int e = readFragments(record, address, uint32_t(fs.blockSize), f.blockBuffer.get()))
        return e;
    std::memcpy(f.inode, f.blockBuffer.get() + (n % ipb) * UfsInode::kBytes, UfsInode::kBytes);
    f.current = UfsInode::load(f.inode);
    f.indirectCacheBlock = UfsFile::kNone;
    return 0;
}

int blockMap(OpenFileRecord& record, uint32_t b, uint32_t& address) {
    UfsFile& f = *record.file;
    if (b < UfsInode::kDirect) {
        address = f.current.direct[b];
        return 0;
    }
    b -= UfsInode::kDirect;
    uint32_t group = b / UfsFile::kCacheEntries;
    if (group == f.indirectCacheBlock) {
        address = f.indirectCache[b % UfsFile::kCacheEntries];
        return 0;
    }
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
    address = f.current.indirect[level / shift - 1];
    const uint8_t* block = f.blockBuffer.get();
    for (;;) {
        level -= shift;
        if (address == 0)
            return 0;
        f.blockBufferBlock = UfsFile::kNone;
        if (int e = readFragments(record, address, uint32_t(f.fs.blockSize), f.blockBuffer.get()))
            return e;
        address = le32(block + 4 * (rest >> level));
        if (level == 0)
            break;
        rest &= (uint64_t(1) << level) - 1;
    }
    uint32_t first = uint32_t(rest) & ~(UfsFile::kCacheEntries - 1);
    for (uint32_t i = 0; i < UfsFile::kCacheEntries; ++i)
        f.indirectCache[i] = le32(block + 4 * (first + i));
    f.indirectCacheBlock = group;
    return 0;
}

int readFileBlock(OpenFileRecord& record, const uint8_t*& data, uint32_t& count) {
    UfsFile& f = *record.file;
    const UfsSuperblock& fs = f.fs;
    uint32_t size = ufsSize(f);
    uint32_t o = f.seekPosition & uint32_t(fs.blockOffsetMask);
    uint32_t fb = f.seekPosition >> fs.blockShift;
    uint32_t bytes = uint32_t(fs.blockSize);
    if (fb < UfsInode::kDirect && (uint64_t(fb) + 1) << fs.blockShift > size) {
        bytes = ((size & uint32_t(fs.blockOffsetMask)) + uint32_t(fs.fragmentOffsetMask)) &
                uint32_t(fs.fragmentMask);
    }
    if (o >= bytes || f.seekPosition >= size)
        return kIo;
    if (fb != f.blockBufferBlock) {
        uint32_t address = 0;
        if (int e = blockMap(record, fb, address))
            return e;
        f.blockBufferBlock = UfsFile::kNone;
        if (address == 0) {
            std::memset(f.blockBuffer.get(), 0, bytes);
        } else if (int e = readFragments(record, address, bytes, f.blockBuffer.get())) {
            return e;
        }
        f.blockBufferSize = bytes;
        f.blockBufferBlock = fb;
    }
    data = f.blockBuffer.get() + o;
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
        uint32_t nameLength = oldFormat ? e.type : e.nameLength;
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
    if (length + restLength > kNameBytes || ++links > kMaxLinks)
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
    f.superblock.reset(new (std::nothrow) uint8_t[UfsSuperblock::kBytes]);
    if (!f.superblock)
        return kNoMemory;
    uint32_t transferred = 0;
    int e = record.device->strategy(record.deviceState, 1, UfsSuperblock::kSector,
                                    UfsSuperblock::kBytes, f.superblock.get(), &transferred);
    if (e != 0)
        return e;
    const UfsSuperblock fs = UfsSuperblock::load(f.superblock.get());
    if (transferred != UfsSuperblock::kBytes || fs.magic != UfsSuperblock::kMagic ||
        fs.blockSize > kMaxBlockSize || fs.blockSize < kMinBlockSize ||
        !powerOfTwo(uint32_t(fs.addressesPerBlock)) || !consistent(fs))
        return kInvalid;
    f.fs = fs;
    f.inodeCount = uint32_t(fs.inodesPerGroup) * uint32_t(fs.cylinderGroups);
    f.indirectShift = log2Of(uint32_t(fs.addressesPerBlock));
    f.blockBuffer.reset(new (std::nothrow) uint8_t[uint32_t(fs.blockSize)]);
    return f.blockBuffer ? 0 : kNoMemory;
}

}  // namespace

uint32_t ufsSize(const UfsFile& file) {
    // Positions are 32-bit: a larger file is read up to 4 GiB - 1.
    return file.current.size > 0xFFFFFFFF ? 0xFFFFFFFF : uint32_t(file.current.size);
}

int ufsOpen(OpenFileRecord& record, const char* path) {
    ufsClose(record);
    record.file = new (std::nothrow) UfsFile;
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
    UfsFile* f = record.file;
    if (!f)
        return kInvalid;
    auto* to = static_cast<uint8_t*>(destination);
    while (remaining != 0 && f->seekPosition < ufsSize(*f)) {
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
    UfsFile* f = record.file;
    if (!f)
        return 0xFFFFFFFF;
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
            return 0xFFFFFFFF;
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
    delete record.file;
    record.file = nullptr;
    return 0;
}
