// Files for the gzip layer's tests: sample content, gzip(1) output, headers
// rebuilt around gzip's own deflate data, and a file manager over a device
// folder's storage card.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "file/FileManager.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace gzip_test {

// Deterministic text with some binary noise: compresses, but not to nothing.
inline std::string sampleContent(size_t size, uint32_t seed) {
    static const char* const kWords[] = {"kernel ", "page ", "boot ",   "tag ",
                                         "\n",      "0x",    "segment "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size) {
        if (rng() % 4 == 0) {
            s += char(rng());
        } else {
            s += kWords[rng() % 7];
        }
    }
    s.resize(size);
    return s;
}

// What gzip(1) makes of `content` with `options`.
inline std::string gzipOf(const std::string& content, const std::string& options) {
    testing_support::TempDir dir;
    testing_support::writeBytes(dir.path() / "content", content);
    std::string command = "gzip -c " + options + " '" + (dir.path() / "content").string() +
                          "' > '" + (dir.path() / "out.gz").string() + "'";
    EXPECT_EQ(testing_support::run(command), 0) << command;
    return testing_support::readBytes(dir.path() / "out.gz");
}

constexpr int kFlagText = 0x01;
constexpr int kFlagHeaderCrc = 0x02;
constexpr int kFlagExtra = 0x04;
constexpr int kFlagName = 0x08;
constexpr int kFlagComment = 0x10;

// gzip(1)'s member (written with -n: a 10-byte header) with its header
// replaced by one carrying the given optional fields.
inline std::string withHeader(const std::string& member, int flags, const std::string& extra,
                              const std::string& name, const std::string& comment) {
    std::string header = member.substr(0, 10);
    header[3] = char(flags);
    if (flags & kFlagExtra) {
        header += char(extra.size() & 0xFF);
        header += char(extra.size() >> 8);
        header += extra;
    }
    if (flags & kFlagName)
        header += name + '\0';
    if (flags & kFlagComment)
        header += comment + '\0';
    if (flags & kFlagHeaderCrc) {
        uint32_t crc =
            uint32_t(crc32(0, reinterpret_cast<const Bytef*>(header.data()), uInt(header.size())));
        header += char(crc & 0xFF);
        header += char((crc >> 8) & 0xFF);
    }
    return header + member.substr(10);
}

// A file held in memory; records every call the layer makes.
class MemoryBackend : public FileManager {
  public:
    MemoryBackend(Console*& console, std::string bytes, bool* destroyed = nullptr)
        : FileManager(console), bytes(std::move(bytes)), destroyed(destroyed) {}
    ~MemoryBackend() override {
        if (destroyed)
            *destroyed = true;
    }
    bool setRoot(const ce::WCHAR* directory) override { return root = directory, true; }
    bool open(const ce::WCHAR*, uint32_t) override { return position = 0, openable; }
    uint32_t size() override { return uint32_t(storedSize()); }
    uint64_t storedSize() const { return claimedSize ? claimedSize : bytes.size(); }
    uint32_t close() override { return ++closes, 1; }
    int32_t read(void* destination, uint32_t count, uint32_t offset) override {
        reads.push_back({count, offset});
        if (offset != kCurrentPosition)
            position = offset;
        if (position >= failAt)
            return -1;
        uint64_t end = std::min<uint64_t>(storedSize(), failAt);
        size_t n = position < end ? size_t(std::min<uint64_t>(count, end - position)) : 0;
        // Past `bytes` the file holds zeros up to its claimed size.
        size_t real = position < bytes.size() ? std::min(n, bytes.size() - position) : 0;
        if (real)
            std::memcpy(destination, bytes.data() + position, real);
        std::memset(static_cast<char*>(destination) + real, 0, n - real);
        position += n;
        bytesRead += n;
        return int32_t(n);
    }
    int32_t write(const void*, uint32_t count, uint32_t offset) override {
        writes.push_back({count, offset});
        return int32_t(count);
    }
    bool seek(uint32_t offset) override { return position = offset, true; }

    struct Call {
        uint32_t count, offset;
    };
    std::string bytes;
    bool* destroyed;
    size_t position = 0;
    bool openable = true;
    size_t failAt = SIZE_MAX;  // reads from here on fail
    uint64_t claimedSize = 0;  // a sparse file: zeros after `bytes` up to this size
    uint64_t bytesRead = 0;
    int closes = 0;
    std::u16string root;
    std::vector<Call> reads, writes;
};

// A GzipFileManager over local files of a fresh device folder, its root the
// storage card.
class Files {
  public:
    Files() : files(FileManager::create(slot, FileManager::kLocal)) {
        EXPECT_TRUE(files != nullptr);
        EXPECT_TRUE(files && files->setRoot(u"\\Storage Card\\"));
    }

    // Stores `bytes` as "\Storage Card\<name>" and opens it.
    bool put(const std::string& name, const std::string& bytes) {
        device.writeFile("Storage Card/" + name, bytes);
        std::u16string wide(name.begin(), name.end());
        return files->open(wide.c_str(), 3);
    }

    std::string read(uint32_t count, uint32_t offset, int32_t* result = nullptr) {
        std::string bytes(count, '\0');
        int32_t n = files->read(bytes.data(), count, offset);
        if (result)
            *result = n;
        bytes.resize(n > 0 ? size_t(n) : 0);
        return bytes;
    }

    // Reads in `chunk`-byte steps until a read returns 0 or -1; `last` gets
    // that final result.
    std::string readAll(uint32_t chunk, int32_t* last = nullptr) {
        std::string all;
        for (;;) {
            int32_t n = 0;
            std::string part = read(chunk, FileManager::kCurrentPosition, &n);
            all += part;
            if (n <= 0) {
                if (last)
                    *last = n;
                return all;
            }
        }
    }

    testing_support::DeviceFolder device;
    testing_support::CaptureConsole console;
    Console* slot = &console;
    std::unique_ptr<FileManager> files;
};

}  // namespace gzip_test
