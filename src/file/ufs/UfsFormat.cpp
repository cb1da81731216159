#include "file/ufs/UfsFormat.h"

#include "file/LittleEndian.h"

#define LOAD32(record, field) \
    record.field = decltype(record.field)(le32(bytes + offsetof(decltype(record), field)))

UfsSuperblock UfsSuperblock::load(const uint8_t* bytes) {
    UfsSuperblock s{};
    LOAD32(s, inodeAreaOffset);
    LOAD32(s, cylinderGroupOffset);
    LOAD32(s, cylinderGroupMask);
    LOAD32(s, totalFragments);
    LOAD32(s, cylinderGroups);
    LOAD32(s, blockSize);
    LOAD32(s, fragmentSize);
    LOAD32(s, fragmentsPerBlock);
    LOAD32(s, fragmentMask);
    LOAD32(s, blockShift);
    LOAD32(s, fragmentShift);
    LOAD32(s, fragmentToSectorShift);
    LOAD32(s, addressesPerBlock);
    LOAD32(s, inodesPerBlock);
    LOAD32(s, inodesPerGroup);
    LOAD32(s, fragmentsPerGroup);
    LOAD32(s, maxInnerLinkLength);
    LOAD32(s, magic);
    s.blockOffsetMask = int64_t(le64(bytes + offsetof(UfsSuperblock, blockOffsetMask)));
    s.fragmentOffsetMask = int64_t(le64(bytes + offsetof(UfsSuperblock, fragmentOffsetMask)));
    return s;
}

UfsInode UfsInode::load(const uint8_t* bytes) {
    UfsInode i{};
    i.mode = le16(bytes + offsetof(UfsInode, mode));
    i.size = le64(bytes + offsetof(UfsInode, size));
    for (uint32_t k = 0; k < kDirect; ++k)
        i.direct[k] = le32(bytes + offsetof(UfsInode, direct) + 4 * k);
    for (uint32_t k = 0; k < 3; ++k)
        i.indirect[k] = le32(bytes + offsetof(UfsInode, indirect) + 4 * k);
    LOAD32(i, owner);
    LOAD32(i, group);
    return i;
}

UfsDirectoryEntry UfsDirectoryEntry::load(const uint8_t* bytes) {
    UfsDirectoryEntry e{};
    e.inode = le32(bytes);
    e.recordLength = le16(bytes + offsetof(UfsDirectoryEntry, recordLength));
    e.type = bytes[offsetof(UfsDirectoryEntry, type)];
    e.nameLength = bytes[offsetof(UfsDirectoryEntry, nameLength)];
    return e;
}
