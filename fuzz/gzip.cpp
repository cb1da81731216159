// Fuzz target: the gzip layer over bytes held in memory. The bytes are
// opened as a file, read in steps to the end (or the first failure), then
// a backward seek, realSize, and reads at the end, in the middle and at the
// start, as the loaders make them.
#include <cstdint>
#include <cstring>
#include <memory>

#include "file/gzip/GzipFileManager.h"

namespace {

// The fuzzer's bytes as a stored file.
class BytesFile : public FileManager {
  public:
    BytesFile(Console*& console, const uint8_t* data, size_t size)
        : FileManager(console), data_(data), size_(uint32_t(size)) {}
    bool setRoot(const ce::WCHAR*) override { return true; }
    bool open(const ce::WCHAR*, uint32_t) override { return position_ = 0, true; }
    uint32_t size() override { return size_; }
    uint32_t close() override { return 1; }
    int32_t read(void* destination, uint32_t count, uint32_t offset) override {
        if (offset != kCurrentPosition)
            position_ = offset;
        uint32_t n = position_ < size_ ? std::min(count, size_ - position_) : 0;
        if (n)
            std::memcpy(destination, data_ + position_, n);
        position_ += n;
        return int32_t(n);
    }
    int32_t write(const void*, uint32_t, uint32_t) override { return -1; }
    bool seek(uint32_t offset) override { return position_ = offset, true; }

  private:
    const uint8_t* data_;
    uint32_t size_;
    uint32_t position_ = 0;
};

// Enough to pass several blocks and members; a small input can still
// expand a thousand times.
constexpr uint32_t kMostRead = 16u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
    Console* slot = nullptr;  // the layer prints only through a console it is given
    auto files = std::make_unique<GzipFileManager>(slot, new BytesFile(slot, data, size));
    if (!files->open(u"fuzz", FileManager::kOpenMode))
        return 0;
    static uint8_t buffer[4096];
    uint32_t total = 0;
    bool ended = false;
    while (total < kMostRead && !ended) {
        int32_t n = files->read(buffer, 3000, FileManager::kCurrentPosition);
        ended = n <= 0;
        total += n > 0 ? uint32_t(n) : 0;
    }
    files->seek(total / 2);
    files->read(buffer, sizeof buffer, FileManager::kCurrentPosition);
    // realSize decodes up to 1 GiB before it gives up: only for contents the
    // reads above saw the end of.
    uint32_t content = ended ? files->realSize() : 0xFFFFFFFF;
    if (content != 0xFFFFFFFF && content > 0 && content <= kMostRead) {
        files->read(buffer, 100, content - 1);
        files->read(buffer, sizeof buffer, content / 3);
    }
    files->read(buffer, 52, 0);
    files->close();
    return 0;
}
