// The UFS reader and its file manager over images made by makefs, on disks
// partitioned by sfdisk, through the block device layer.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "file/ErrorNumber.h"
#include "file/ufs/Ufs.h"
#include "file/ufs/UfsFileManager.h"
#include "file/winblk/Winblk.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"
#include "support/DiskImages.h"
#include "support/ReadToEnd.h"

namespace {

namespace fs = std::filesystem;
using namespace disk_testing;
using testing_support::CaptureConsole;
using testing_support::DeviceFolder;
using testing_support::TempDir;
using testing_support::writeBytes;

constexpr uint32_t kPartition = 64;  // first sector of the UFS partition
constexpr size_t kKernelBytes = 300000;

struct Geometry {
    uint32_t block;
    uint32_t fragment;
};

std::string dots(size_t pairs) {
    std::string s;
    for (size_t i = 0; i < pairs; ++i)
        s += "./";
    return s;
}

void link(const std::string& target, const fs::path& at) {
    fs::create_symlink(target, at);
}

// The tree every image holds.
void makeTree(const fs::path& root) {
    writeBytes(root / "boot/kernel", patternBytes(kKernelBytes, 1));
    writeBytes(root / "boot/small", patternBytes(1000, 2));
    writeBytes(root / "boot/tail", patternBytes(3 * 8192 + 1500, 3));
    writeBytes(root / "boot/empty", "");
    writeBytes(root / "a/b/c/d/deep", patternBytes(5000, 4));
    link("kernel", root / "boot/rel");
    link("/boot/kernel", root / "abs");
    link("boot", root / "bootdir");
    link("/boot", root / "absdir");
    link("../../boot/kernel", root / "a/b/up");
    // Longer than an inode holds: the target is kept in a block.
    link("a/./././././././././././././././././././././././././././././b/c/d/deep",
         root / "longlink");
    link(dots(500) + "boot", root / "farboot");  // 1004 bytes of target
    fs::create_directories(root / "chain");
    for (int i = 1; i < 32; ++i)
        link("c" + std::to_string(i + 1), root / "chain" / ("c" + std::to_string(i)));
    link("../boot/kernel", root / "chain/c32");
    link("c1", root / "chain/c0");
    link("loop", root / "loop");
    for (int i = 0; i < 200; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "many/file_with_a_rather_long_name_%03d", i);
        writeBytes(root / name, std::to_string(i));
    }
}

class UfsTest : public ::testing::TestWithParam<Geometry> {
  protected:
    void SetUp() override {
        makeTree(work_.path() / "tree");
        ASSERT_TRUE(makeUfs(image(), work_.path() / "tree", GetParam().block, GetParam().fragment,
                            "-b 20%"));
        uint32_t sectors = uint32_t(fs::file_size(image()) / kSector);
        makeDisk(disk(), kPartition + sectors + 64,
                 {"start=" + std::to_string(kPartition) + ", size=" + std::to_string(sectors) +
                  ", type=a9"});
        placeImage(disk(), kPartition, image());
    }

    fs::path image() const { return work_.path() / "ufs.img"; }
    fs::path disk() const { return device_.dir() / "disks/DSK1.img"; }
    UfsFileManager& files() {
        if (!files_)
            files_ = std::make_unique<UfsFileManager>(console_);
        return *files_;
    }
    bool setRoot(const std::string& root = "1:/") {
        return files().setRoot(host::fromUtf8(root).c_str());
    }
    int openError(const std::string& path) { return ufsOpen(files().record(), path.c_str()); }
    std::string read(const std::string& path, uint32_t chunk = 4096) {
        EXPECT_TRUE(files().open(host::fromUtf8(path).c_str(), FileManager::kOpenMode))
            << path << capture_.utf8();
        return testing_support::readToEnd(files(), chunk);
    }
    std::string diskBytes() const { return testing_support::readBytes(disk()); }
    void patch32(uint64_t at, uint32_t value) {
        std::string b(4, 0);
        for (int i = 0; i < 4; ++i)
            b[i] = char(value >> (8 * i));
        writeAt(disk(), at, b);
    }
    void patch16(uint64_t at, uint16_t value) {
        writeAt(disk(), at, std::string{char(value), char(value >> 8)});
    }
    static std::string le(uint32_t value) {
        std::string b(4, 0);
        for (int i = 0; i < 4; ++i)
            b[i] = char(value >> (8 * i));
        return b;
    }
    // The fragment address of the bytes `data` of a file, found in the disk.
    uint32_t fragmentOf(const std::string& data) {
        size_t at = diskBytes().find(data);
        EXPECT_NE(at, std::string::npos);
        return uint32_t((at - kPartition * kSector) / GetParam().fragment);
    }
    // Where the on-disk inode of boot/kernel lies (its first two addresses
    // are unique in the disk).
    uint64_t kernelInode() {
        std::string k = patternBytes(kKernelBytes, 1);
        uint32_t b = GetParam().block;
        size_t at =
            diskBytes().find(le(fragmentOf(k.substr(0, b))) + le(fragmentOf(k.substr(b, b))));
        EXPECT_NE(at, std::string::npos);
        return at - 40;
    }
    static uint32_t le32At(const std::string& bytes, uint64_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | uint8_t(bytes[size_t(at) + i]);
        return v;
    }
    // Where the on-disk inode of a file of `size` bytes whose first block
    // is at fragment `first` lies.
    uint64_t inodeOf(uint64_t size, uint32_t first) {
        size_t at = findInode(diskBytes(), size, first);
        EXPECT_NE(at, std::string::npos) << "no inode with size " << size;
        return at;
    }
    // The directory entry of `name` (a regular file) in the disk.
    uint64_t entryOf(const std::string& name, uint8_t type = 8) {
        size_t at = diskBytes().find(std::string{char(type), char(name.size())} + name);
        EXPECT_NE(at, std::string::npos);
        return at - 6;
    }

    DeviceFolder device_;
    TempDir work_;
    CaptureConsole capture_;
    Console* console_ = &capture_;
    std::unique_ptr<UfsFileManager> files_;
};

TEST_P(UfsTest, ReadsFilesByteForByte) {
    ASSERT_TRUE(setRoot());
    std::string kernel = patternBytes(kKernelBytes, 1);
    std::string deep = patternBytes(5000, 4);
    struct Row {
        const char* path;
        std::string bytes;
    } rows[] = {
        {"/boot/kernel", kernel},  // direct blocks, then single indirect
        {"boot/kernel", kernel},
        {"//boot//kernel", kernel},
        {"/boot/small", patternBytes(1000, 2)},            // one fragment
        {"/boot/tail", patternBytes(3 * 8192 + 1500, 3)},  // blocks and a fragment tail
        {"/boot/empty", ""},
        {"/a/b/c/d/deep", deep},
        {"boot/rel", kernel},        // relative link, from the link's directory
        {"abs", kernel},             // absolute link
        {"bootdir/kernel", kernel},  // link to a directory, then more path
        {"absdir/small", patternBytes(1000, 2)},
        {"a/b/up", kernel},                                // relative link going up
        {"longlink", deep},                                // target kept in a block
        {"farboot/kernel", kernel},                        // 1004-byte target and 7 more: 1011
        {"chain/c1", kernel},                              // 32 links
        {"many/file_with_a_rather_long_name_199", "199"},  // beyond the first directory block
    };
    for (const Row& row : rows) {
        EXPECT_TRUE(read(row.path, 3000) == row.bytes) << row.path;
        EXPECT_EQ(files().size(), row.bytes.size()) << row.path;
    }
    EXPECT_NE(capture_.utf8().find("open file \"boot/kernel\" (300000 byte).\n"),
              std::string::npos);
}

TEST_P(UfsTest, PathFailures) {
    ASSERT_TRUE(setRoot());
    struct Row {
        std::string path;
        int error;
    } rows[] = {
        {"boot/nothing", errno_value::kNoEntry},
        {"nothing/kernel", errno_value::kNoEntry},
        {"boot/kernel/x", errno_value::kNotDirectory},  // below a file
        {"boot/small/", 0},                             // a trailing '/' is no component
        {"chain/c0", errno_value::kNoEntry},            // 33 links
        {"loop", errno_value::kNoEntry},
        {"farboot/" + dots(6) + "kernel", 0},                      // 1004 + 19 = 1023 bytes
        {"farboot/" + dots(7) + "kernel", errno_value::kNoEntry},  // 1025: too long
        {"", 0},                                                   // the root directory itself
        {"/", 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(openError(row.path), row.error) << row.path;
        EXPECT_EQ(files().record().file != nullptr, row.error == 0) << row.path;
        ufsClose(files().record());
    }
    EXPECT_FALSE(files().open(u"boot/nothing", FileManager::kOpenMode));
    EXPECT_NE(capture_.utf8().find("open file \"boot/nothing\" failed.\n"), std::string::npos);
    ASSERT_TRUE(files().open(u"/", FileManager::kOpenMode));
    EXPECT_EQ(files().size() % 512, 0u);
    EXPECT_GT(files().size(), 0u);
}

TEST_P(UfsTest, ReadsAndSeeks) {
    ASSERT_TRUE(setRoot());
    std::string kernel = patternBytes(kKernelBytes, 1);
    ASSERT_TRUE(files().open(u"/boot/kernel", FileManager::kOpenMode));
    uint32_t direct = 12 * GetParam().block;
    struct Row {
        uint32_t offset, count;
        int32_t result;
        const char* why;
    } rows[] = {
        {direct - 100, 200, 200, "across direct and single indirect"},
        {0, 10, 10, "the start"},
        {uint32_t(kKernelBytes), 10, 0, "at the end"},
        {uint32_t(kKernelBytes) + 5000, 10, 0, "past the end"},
        {uint32_t(kKernelBytes) - 7, 100, 7, "across the end"},
        {GetParam().block - 1, 2, 2, "across a block"},
    };
    for (const Row& row : rows) {
        std::string buffer(row.count, 0);
        EXPECT_EQ(files().read(buffer.data(), row.count, row.offset), row.result) << row.why;
        if (row.result > 0) {
            EXPECT_EQ(buffer.substr(0, size_t(row.result)),
                      kernel.substr(row.offset, size_t(row.result)))
                << row.why;
        }
    }
    EXPECT_TRUE(files().seek(1234));
    char c;
    EXPECT_EQ(files().read(&c, 1, FileManager::kCurrentPosition), 1);
    EXPECT_EQ(c, kernel[1234]);
    OpenFileRecord& r = files().record();
    EXPECT_EQ(ufsSeek(r, 10, ufs_origin::kFromCurrent), 1245u);
    EXPECT_EQ(ufsSeek(r, 100, ufs_origin::kFromEnd), kKernelBytes - 100);
    EXPECT_EQ(ufsSeek(r, 100, 3), 0xFFFFFFFFu);
    UfsStat status{};
    EXPECT_EQ(ufsStat(r, status), 0);
    EXPECT_EQ(status.mode & 0xF000, 0x8000);
    EXPECT_EQ(status.size, kKernelBytes);
    EXPECT_EQ(status.owner, 0u);
    EXPECT_EQ(files().write("x", 1, 0), 0);  // read-only
    EXPECT_EQ(files().close(), 0u);
    EXPECT_EQ(files().read(&c, 1, 0), -1);  // nothing open
    EXPECT_EQ(files().size(), 0u);
}

TEST_P(UfsTest, BlockBufferAndIndirectCache) {
    ASSERT_TRUE(setRoot());
    ASSERT_TRUE(files().open(u"/boot/kernel", FileManager::kOpenMode));
    auto& counters = device_.machine().counters();
    int before = counters["DISK_IOCTL 2"];
    std::string buffer(kKernelBytes, 0);
    for (uint32_t at = 0; at < kKernelBytes; ++at)
        ASSERT_EQ(files().read(&buffer[at], 1, FileManager::kCurrentPosition), 1);
    EXPECT_TRUE(buffer == patternBytes(kKernelBytes, 1));
    // Each block once, plus the one indirect block once per 64 blocks.
    uint32_t blocks = (kKernelBytes + GetParam().block - 1) / GetParam().block;
    EXPECT_LE(counters["DISK_IOCTL 2"] - before, int(blocks + (blocks - 12) / 64 + 1) * 2);
}

TEST_P(UfsTest, Holes) {
    ASSERT_TRUE(setRoot());
    uint32_t b = GetParam().block;
    std::string kernel = patternBytes(kKernelBytes, 1);
    uint64_t inode = kernelInode();
    // Direct block 3 and indirect entry 1 (block 13) become holes.
    patch32(inode + 40 + 4 * 3, 0);
    size_t single = diskBytes().find(le(fragmentOf(kernel.substr(12 * b, b))) +
                                     le(fragmentOf(kernel.substr(13 * b, b))));
    ASSERT_NE(single, std::string::npos);
    patch32(single + 4, 0);
    std::string expected = kernel;
    std::fill_n(expected.begin() + 3 * b, b, '\0');
    std::fill_n(expected.begin() + 13 * b, b, '\0');
    EXPECT_TRUE(read("boot/kernel", 5000) == expected);
    // No single indirect block at all: every block it would map is a hole.
    patch32(inode + 88, 0);
    std::fill_n(expected.begin() + 12 * b, kKernelBytes - 12 * b, '\0');
    EXPECT_TRUE(read("boot/kernel", 5000) == expected);
}

TEST_P(UfsTest, DamagedSuperblockIsRefused) {
    uint64_t sb = uint64_t(kPartition) * kSector + 8192;
    struct Row {
        uint32_t offset;
        uint32_t value;
        const char* why;
    } rows[] = {
        {0x55C, 0x011955, "magic"},
        {0x30, 1024, "block size 1024"},
        {0x30, 131072, "block size beyond 65536"},
        {0x30, 3000, "block size not a power of two"},
        {0x74, 1000, "addresses per block not a power of two"},
        {0x74, GetParam().block / 2, "more addresses than the block holds"},
        {0x78, 0, "no inodes per block"},
        {0xB8, 0, "no inodes per group"},
        {0x50, 3, "block shift off"},
        {0x60, 6, "fragment shift off"},
        {0x64, 9, "fragment-to-sector shift off"},
        {0x538, 0xFFFF, "block offset mask off"},
        {0x528, 1000, "inner link longer than an inode"},
        {0x2C, 0, "no cylinder groups"},
    };
    std::string original = diskBytes().substr(size_t(sb), 8192);
    for (const Row& row : rows) {
        writeAt(disk(), sb, original);
        patch32(sb + row.offset, row.value);
        files_.reset();
        ASSERT_TRUE(setRoot());
        EXPECT_EQ(openError("boot/kernel"), errno_value::kInvalid) << row.why;
        EXPECT_EQ(files().record().file, nullptr);
    }
}

TEST_P(UfsTest, DamagedDirectoryAndInodes) {
    struct Row {
        int field;  // 0: record length, 1: inode number, 2: name length, 3: data address
        uint32_t value;
        int error;     // of opening boot/kernel
        int32_t read;  // of reading its first 100 bytes
        const char* why;
    } rows[] = {
        {0, 3, 5, 0, "record length below an entry header"},
        {0, 0x7FFF, 5, 0, "record length past its block"},
        {1, 0x7FFFFFF0, 5, 0, "inode number beyond the file system"},
        {0, 0, 2, 0, "record length 0 ends the block: not found"},
        {3, 0x7FFFFFF0, 0, -1, "data address past the file system: an error, not a short read"},
    };
    std::string original = diskBytes();
    for (const Row& row : rows) {
        writeAt(disk(), 0, original);
        uint64_t entry = entryOf("kernel");
        if (row.field == 0)
            patch16(entry + 4, uint16_t(row.value));
        if (row.field == 1)
            patch32(entry, row.value);
        if (row.field == 3)
            patch32(kernelInode() + 40, row.value);
        files_.reset();
        ASSERT_TRUE(setRoot());
        EXPECT_EQ(openError("boot/kernel"), row.error) << row.why;
        if (row.error == 0) {
            char buffer[100];
            EXPECT_EQ(files().read(buffer, 100, 0), row.read) << row.why;
        }
    }
}

TEST_P(UfsTest, DeviceErrorFailsTheRead) {
    std::string kernel = patternBytes(kKernelBytes, 1);
    uint32_t b = GetParam().block;
    uint32_t sector =
        kPartition + fragmentOf(kernel.substr(2 * b, b)) * (GetParam().fragment / 512);
    std::string error;
    ASSERT_TRUE(
        device_.machine().profile().set("disk.DSK1.bad_sector", std::to_string(sector), error));
    ASSERT_TRUE(setRoot());
    ASSERT_TRUE(files().open(u"boot/kernel", FileManager::kOpenMode));
    std::string buffer(4 * b, 0);
    // The blocks before the bad one read; a read that meets it fails whole.
    EXPECT_EQ(files().read(buffer.data(), 2 * b, 0), int32_t(2 * b));
    EXPECT_TRUE(buffer.substr(0, 2 * b) == kernel.substr(0, 2 * b));
    for (uint32_t chunk : {4 * b, b, 100u}) {
        EXPECT_EQ(files().read(buffer.data(), chunk, 2 * b - (chunk == 4 * b ? 2 * b : 0)), -1)
            << chunk;
    }
    // The driver's line is on the console too, then the read's.
    std::ostringstream line;
    line << "rawread(0x" << std::hex << sector;
    EXPECT_NE(capture_.utf8().find(line.str()), std::string::npos) << capture_.utf8();
    EXPECT_NE(capture_.utf8().find("DeviceIoControl() failed.error=30\n"), std::string::npos);
    EXPECT_NE(capture_.utf8().find("read error 5 in \"boot/kernel\" at "), std::string::npos)
        << capture_.utf8();
}

TEST_P(UfsTest, DamagedPointersFailTheRead) {
    const uint32_t b = GetParam().block, frag = GetParam().fragment;
    const std::string kernel = patternBytes(kKernelBytes, 1);
    const std::string original = diskBytes();
    const uint64_t sb = uint64_t(kPartition) * kSector + 8192;
    const uint32_t fragments = le32At(original, sb + 0x24);
    const uint32_t inodes = le32At(original, sb + 0xB8) * le32At(original, sb + 0x2C);
    const uint64_t kernelAt = kernelInode();
    const size_t single = original.find(le(fragmentOf(kernel.substr(12 * b, b))) +
                                        le(fragmentOf(kernel.substr(13 * b, b))));
    ASSERT_NE(single, std::string::npos);
    const std::string small = patternBytes(1000, 2);
    const uint64_t smallAt = inodeOf(1000, fragmentOf(small));
    // The inode of the link "abs", whose target is kept inside it.
    const uint64_t linkAt = original.find("/boot/kernel") - 40;
    const uint64_t smallFragments = (1000 + frag - 1) / frag;
    struct Row {
        uint64_t at;  // where the 32-bit value goes
        uint32_t value;
        const char* path;
        int open;         // the error of opening the path
        uint32_t offset;  // then a read of 100 bytes there fails
        const char* why;
    } rows[] = {
        {kernelAt + 40, 0x7FFFFFF0, "boot/kernel", 0, 0, "first direct address"},
        {kernelAt + 44, fragments, "boot/kernel", 0, b, "second direct address, just past"},
        {kernelAt + 88, 0x7FFFFFF0, "boot/kernel", 0, 12 * b, "single indirect address"},
        {single + 4, fragments, "boot/kernel", 0, 13 * b, "entry of the single indirect block"},
        {smallAt + 40, uint32_t(fragments - smallFragments + 1), "boot/small", 0, 0,
         "a fragment run that crosses the end"},
        {entryOf("kernel"), inodes, "boot/kernel", 5, 0, "inode number just past the last"},
        {linkAt + 8, 0xFFFFFFFF, "abs", 2, 0, "link length beyond any path"},
        {linkAt + 12, 0xFFFFFFFF, "abs", 2, 0, "link length that would wrap a sum"},
    };
    for (const Row& row : rows) {
        writeAt(disk(), 0, original);
        patch32(row.at, row.value);
        files_.reset();
        capture_.text.clear();
        ASSERT_TRUE(setRoot());
        EXPECT_EQ(openError(row.path), row.open) << row.why;
        if (row.open != 0)
            continue;
        char buffer[100];
        if (row.offset != 0) {
            // What lies before the damage reads, and without a word about it.
            EXPECT_EQ(files().read(buffer, 100, 0), 100) << row.why;
            EXPECT_EQ(capture_.utf8().find("beyond"), std::string::npos) << capture_.utf8();
        }
        EXPECT_EQ(files().read(buffer, 100, row.offset), -1) << row.why;
        EXPECT_NE(capture_.utf8().find("beyond the file system"), std::string::npos)
            << row.why << capture_.utf8();
    }
    // The root directory with a hole where its first block should be: a
    // directory has no holes.
    writeAt(disk(), 0, original);
    const uint64_t inodeArea =
        uint64_t(kPartition) * kSector + uint64_t(le32At(original, sb + 0x10)) * frag;
    patch32(inodeArea + 2 * 128 + 40, 0);
    files_.reset();
    ASSERT_TRUE(setRoot());
    EXPECT_EQ(openError("boot/kernel"), errno_value::kIo);
    EXPECT_NE(capture_.utf8().find("ufs: hole in block 0 of inode 2\n"), std::string::npos)
        << capture_.utf8();
}

TEST_P(UfsTest, PartitionSmallerThanTheFileSystem) {
    // The partition table gives the file system fewer sectors than it has:
    // what lies beyond the partition is not read, whatever the disk holds.
    const std::string kernel = patternBytes(kKernelBytes, 1);
    const uint32_t b = GetParam().block;
    uint32_t lastData = fragmentOf(kernel.substr(kKernelBytes / b * b - b, b));
    uint32_t cut = lastData * (GetParam().fragment / 512);  // sectors of the partition
    makeDisk(
        disk(), kPartition + uint32_t(fs::file_size(image()) / kSector) + 64,
        {"start=" + std::to_string(kPartition) + ", size=" + std::to_string(cut) + ", type=a9"});
    placeImage(disk(), kPartition, image());
    ASSERT_TRUE(setRoot());
    ASSERT_TRUE(files().open(u"boot/kernel", FileManager::kOpenMode));
    std::string out(kKernelBytes, 0);
    EXPECT_EQ(files().read(out.data(), kKernelBytes, 0), -1);
    EXPECT_NE(capture_.utf8().find("read beyond the partition: sector 0x"), std::string::npos)
        << capture_.utf8();
    EXPECT_EQ(files().read(out.data(), 1000, 0), 1000);
}

TEST_P(UfsTest, BlockMapLevels) {
    ASSERT_TRUE(setRoot());
    ASSERT_EQ(openError("boot/kernel"), 0);
    OpenFileRecord& r = files().record();
    uint32_t n = GetParam().block / 4;
    uint64_t first = 12 + uint64_t(n) + uint64_t(n) * n;  // first triple-indirect block
    uint64_t beyond = first + uint64_t(n) * n * n;
    uint32_t address = 1;
    if (first <= 0xFFFFFFFF) {
        // No triple indirect block: a hole.
        EXPECT_EQ(blockMap(r, uint32_t(first), address), 0);
        EXPECT_EQ(address, 0u);
    }
    if (beyond <= 0xFFFFFFFF) {
        EXPECT_EQ(blockMap(r, uint32_t(beyond), address), errno_value::kFileTooLarge);
    }
}

TEST_P(UfsTest, TripleIndirection) {
    // Build a triple-indirect chain for boot/kernel in free blocks at the end
    // of the file system: triple -> double -> single -> kernel's block 0.
    uint32_t b = GetParam().block, frag = GetParam().fragment, n = b / 4;
    uint64_t first = 12 + uint64_t(n) + uint64_t(n) * n;
    if (first + 5 > 0xFFFFFFFF)
        GTEST_SKIP() << "not reachable with 32-bit block numbers";
    std::string kernel = patternBytes(kKernelBytes, 1);
    uint32_t data = fragmentOf(kernel.substr(0, b));
    uint32_t perBlock = b / frag;
    uint32_t fragments = uint32_t(fs::file_size(image()) / frag) / perBlock * perBlock;
    uint32_t triple = fragments - 3 * perBlock, dbl = fragments - 2 * perBlock,
             single = fragments - perBlock;
    uint64_t base = uint64_t(kPartition) * kSector;
    patch32(base + uint64_t(triple) * frag, dbl);
    patch32(base + uint64_t(dbl) * frag, single);
    patch32(base + uint64_t(single) * frag + 4 * 5, data);
    patch32(kernelInode() + 88 + 8, triple);
    ASSERT_TRUE(setRoot());
    ASSERT_EQ(openError("boot/kernel"), 0);
    uint32_t address = 0;
    EXPECT_EQ(blockMap(files().record(), uint32_t(first + 5), address), 0);
    EXPECT_EQ(address, data);
    EXPECT_EQ(blockMap(files().record(), uint32_t(first + 6), address), 0);
    EXPECT_EQ(address, 0u);  // a hole in the single level
    EXPECT_EQ(blockMap(files().record(), uint32_t(first + uint64_t(n) * n), address), 0);
    EXPECT_EQ(address, 0u);  // a hole in the triple level
}

INSTANTIATE_TEST_SUITE_P(Makefs, UfsTest,
                         ::testing::Values(Geometry{8192, 1024}, Geometry{16384, 2048},
                                           Geometry{4096, 512}),
                         [](const auto& info) {
                             return "bsize" + std::to_string(info.param.block);
                         });

}  // namespace

namespace {

// A file beyond single indirection (12 + block / 4 blocks), on a disk that is
// the bare file-system image: no partition table, so the whole disk.
class UfsLargeFileTest : public ::testing::TestWithParam<Geometry> {};

TEST_P(UfsLargeFileTest, DoubleIndirectBlocks) {
    const uint32_t kBlock = GetParam().block;
    const size_t kBytes = (12 + kBlock / 4 + 70) * size_t(kBlock) + 123;
    DeviceFolder device;
    TempDir work;
    std::string big = patternBytes(kBytes, 9);
    writeBytes(work.path() / "tree/boot/big", big);
    ASSERT_TRUE(makeUfs(device.dir() / "disks/DSK1.img", work.path() / "tree", kBlock,
                        GetParam().fragment));
    CaptureConsole capture;
    Console* console = &capture;
    UfsFileManager files(console);
    ASSERT_TRUE(files.setRoot(u"\\"));  // no unit: DSK1:
    EXPECT_NE(device.machine().debugLog().find("no Tolvar partition, start sector=0x0\n"),
              std::string::npos);
    ASSERT_TRUE(files.open(u"/boot/big", FileManager::kOpenMode));
    EXPECT_EQ(files.size(), kBytes);
    auto& counters = device.machine().counters();
    int before = counters["DISK_IOCTL 2"];
    std::string out(kBytes, 0);
    for (size_t at = 0; at < kBytes; at += 65536) {
        uint32_t n = uint32_t(std::min<size_t>(65536, kBytes - at));
        ASSERT_EQ(files.read(&out[at], n, FileManager::kCurrentPosition), int32_t(n));
    }
    EXPECT_TRUE(out == big);
    // Each data block once; the indirect blocks once per 64 data blocks.
    int blocks = int((kBytes + kBlock - 1) / kBlock);
    EXPECT_LE(counters["DISK_IOCTL 2"] - before, blocks + 3 * (blocks / 64 + 2) + 2);
    // Across the change from single to double indirection.
    uint32_t edge = (12 + kBlock / 4) * kBlock;
    std::string piece(300, 0);
    ASSERT_EQ(files.read(piece.data(), 300, edge - 150), 300);
    EXPECT_TRUE(piece == big.substr(edge - 150, 300));
}

INSTANTIATE_TEST_SUITE_P(Makefs, UfsLargeFileTest,
                         ::testing::Values(Geometry{8192, 1024}, Geometry{16384, 2048}),
                         [](const auto& info) {
                             return "bsize" + std::to_string(info.param.block);
                         });

}  // namespace

namespace {

// The whole stack as the boot makes it: gzip over UFS over the block device.
TEST(UfsStackTest, GzipKernelOnAPartition) {
    DeviceFolder device;
    TempDir work;
    std::string kernel =
        "\x7f"
        "ELF" +
        patternBytes(400000, 11);
    std::string plain = patternBytes(150000, 12);
    writeBytes(work.path() / "tree/boot/kernel", kernel);
    writeBytes(work.path() / "tree/boot/plain", plain);
    ASSERT_EQ(testing_support::run("gzip -9 '" + (work.path() / "tree/boot/kernel").string() + "'"),
              0);
    link("boot/kernel.gz", work.path() / "tree/keldos.gz");
    fs::path image = work.path() / "ufs.img";
    ASSERT_TRUE(makeUfs(image, work.path() / "tree", 16384, 2048, "-b 10%"));
    uint32_t sectors = uint32_t(fs::file_size(image) / kSector);
    fs::path disk = device.dir() / "disks/DSK2.img";
    // A first partition of another kind, then the 0xA5 one with a label.
    makeDisk(disk, 2048 + sectors,
             {"start=63, size=900, type=83",
              "start=1024, size=" + std::to_string(sectors + 64) + ", type=a5"});
    placeImage(disk, 1088, image);
    writeAt(disk, 1025 * kSector, diskLabel({{1088, sectors}}));
    CaptureConsole capture;
    Console* console = &capture;
    std::unique_ptr<FileManager> files(FileManager::create(console, FileManager::kUfs));
    ASSERT_TRUE(files);
    ASSERT_TRUE(files->setRoot(u"2:/"));
    EXPECT_NE(device.machine().debugLog().find("start sector=0x440\n"), std::string::npos);
    struct Row {
        const char16_t* name;
        const std::string* content;
    } rows[] = {{u"/boot/kernel.gz", &kernel}, {u"keldos.gz", &kernel}, {u"boot/plain", &plain}};
    for (const Row& row : rows) {
        ASSERT_TRUE(files->open(row.name, FileManager::kOpenMode));
        EXPECT_EQ(files->realSize(), row.content->size());
        std::string out(row.content->size(), 0);
        ASSERT_EQ(files->read(out.data(), uint32_t(out.size()), 0), int32_t(out.size()));
        EXPECT_TRUE(out == *row.content);
        char piece[64];
        ASSERT_EQ(files->read(piece, 64, 777), 64);
        EXPECT_EQ(std::string(piece, 64), row.content->substr(777, 64));
        files->close();
    }
}

}  // namespace
