#include "support/DiskImages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "support/DeviceFolder.h"

namespace disk_testing {

namespace fs = std::filesystem;

void makeDisk(const fs::path& image, uint32_t sectors, const std::vector<std::string>& partitions) {
    fs::create_directories(image.parent_path());
    { std::ofstream(image, std::ios::binary | std::ios::trunc); }
    fs::resize_file(image, uint64_t(sectors) * kSector);
    std::string script = "label: dos\n";
    for (const std::string& p : partitions)
        script += p + "\n";
    fs::path scriptFile = image.string() + ".sfdisk";
    testing_support::writeBytes(scriptFile, script);
    EXPECT_EQ(testing_support::run("sfdisk -q --no-reread --no-tell-kernel '" + image.string() +
                                   "' < '" + scriptFile.string() + "' >/dev/null 2>&1"),
              0);
    fs::remove(scriptFile);
}

namespace {

void put16(std::string& b, size_t at, uint16_t v) {
    b[at] = char(v);
    b[at + 1] = char(v >> 8);
}

void put32(std::string& b, size_t at, uint32_t v) {
    put16(b, at, uint16_t(v));
    put16(b, at + 2, uint16_t(v >> 16));
}

}  // namespace

std::string diskLabel(const std::vector<LabelEntry>& entries, const LabelOptions& options) {
    constexpr uint32_t kMagic = 0x82564557;
    std::string b(kSector, 0);
    uint16_t count = uint16_t(options.announced >= 0 ? options.announced : int(entries.size()));
    put32(b, 0, kMagic);
    put32(b, 132, options.badSecondMagic ? kMagic ^ 1 : kMagic);
    put16(b, 138, count);
    put32(b, 140, 8192);  // boot area
    put32(b, 144, 8192);  // superblock size
    for (size_t i = 0; i < entries.size() && 148 + 16 * (i + 1) <= kSector; ++i) {
        put32(b, 148 + 16 * i, entries[i].size);
        put32(b, 148 + 16 * i + 4, entries[i].firstSector);
        put32(b, 148 + 16 * i + 8, 1024);  // fragment size
        b[148 + 16 * i + 12] = 7;          // 4.2BSD file system
        b[148 + 16 * i + 13] = 8;
    }
    uint16_t sum = 0;
    size_t end = std::min<size_t>(148 + 16 * size_t(count), kSector);
    for (size_t at = 0; at < end; at += 2)
        sum ^= uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
    put16(b, 136, uint16_t(sum ^ (options.badChecksum ? 0x0100 : 0)));
    return b;
}

void writeAt(const fs::path& file, uint64_t offset, const std::string& bytes) {
    std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(std::streamoff(offset));
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

bool makeUfs(const fs::path& image, const fs::path& tree, uint32_t blockSize, uint32_t fragmentSize,
             const std::string& extra) {
    std::string command = "makefs -t ffs -o version=1,bsize=" + std::to_string(blockSize) +
                          ",fsize=" + std::to_string(fragmentSize) + " " + extra + " '" +
                          image.string() + "' '" + tree.string() + "' >/dev/null 2>&1";
    return testing_support::run(command) == 0;
}

void placeImage(const fs::path& disk, uint32_t sector, const fs::path& fileSystem) {
    std::ifstream in(fileSystem, std::ios::binary);
    std::fstream out(disk, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(std::streamoff(uint64_t(sector) * kSector));
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), std::streamsize(buffer.size()));
        out.write(buffer.data(), in.gcount());
    }
}

std::string patternBytes(size_t n, uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(n, 0);
    for (size_t i = 0; i < n; i += 4) {
        uint32_t v = random();
        for (size_t k = 0; k < 4 && i + k < n; ++k)
            bytes[i + k] = char(v >> (8 * k));
    }
    return bytes;
}

std::string le32Bytes(uint32_t value) {
    std::string b(4, 0);
    put32(b, 0, value);
    return b;
}

size_t findInode(const std::string& bytes, uint64_t size, uint32_t first) {
    // The size is at offset 8 of the inode, the first block address at 40.
    std::string sizeBytes = le32Bytes(uint32_t(size)) + le32Bytes(uint32_t(size >> 32));
    std::string address = le32Bytes(first);
    for (size_t at = bytes.find(address); at != std::string::npos;
         at = bytes.find(address, at + 1)) {
        if (at >= 40 && bytes.compare(at - 32, 8, sizeBytes) == 0)
            return at - 40;
    }
    return std::string::npos;
}

}  // namespace disk_testing
