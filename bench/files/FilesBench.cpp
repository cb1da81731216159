// The read pattern of a boot on one file, through the system's file-manager
// stack over local files: open, realSize (the image's size), a read near
// the end, then reads from the start in page-payload steps as the loader
// makes them. Prints the time of each step; asserts nothing.
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "console/Console.h"
#include "file/FileManager.h"
#include "machine/Machine.h"
#include "support/CaptureConsole.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void report(const char* step, double seconds, uint64_t contentBytes) {
    std::printf("  %-38s %8.3f s  %8.1f MiB/s of content\n", step, seconds,
                double(contentBytes) / (1 << 20) / seconds);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_files DEVICE NAME   (NAME in the device's root)\n");
        return 2;
    }
    std::string error;
    if (!host::Machine::open(argv[1], error)) {
        std::fprintf(stderr, "bench_files: %s\n", error.c_str());
        return 1;
    }
    testing_support::CaptureConsole console;
    Console* slot = &console;
    std::unique_ptr<FileManager> files(FileManager::create(slot, FileManager::kLocal));
    std::string nameText = argv[2];
    std::u16string name(nameText.begin(), nameText.end());
    if (!files || !files->setRoot(u"\\") || !files->open(name.c_str(), 3)) {
        std::fprintf(stderr, "bench_files: %s\n", host::toUtf8(console.text).c_str());
        return 1;
    }

    Clock::time_point start = Clock::now();
    uint32_t size = files->realSize();
    double sizing = secondsSince(start);
    if (size == 0xFFFFFFFF || size < 4096) {
        std::fprintf(stderr, "bench_files: content size %u\n", size);
        return 1;
    }

    // The loader reads into pages of 4096 bytes less their 16-byte tag.
    constexpr uint32_t kPayload = 4080;
    std::vector<char> buffer(kPayload);
    start = Clock::now();
    int32_t nearEnd = files->read(buffer.data(), kPayload, size - kPayload);
    double tail = secondsSince(start);

    start = Clock::now();
    uint64_t total = 0;
    for (uint32_t offset = 0; offset < size; offset += kPayload) {
        int32_t n = files->read(buffer.data(), kPayload, offset);
        if (n <= 0)
            break;
        total += uint64_t(n);
    }
    double whole = secondsSince(start);
    uint32_t stored = files->size();
    files->close();

    std::printf("boot read pattern on %s: stored %u bytes, content %u bytes\n", argv[2], stored,
                size);
    report("realSize (decode all, 256-byte steps)", sizing, size);
    report("read near the end (decode to there)", tail, size);
    report("reads from the start, 4080 bytes each", whole, total);
    std::printf("  %-38s %8.3f s\n", "total", sizing + tail + whole);
    if (nearEnd != int32_t(kPayload) || total != size) {
        std::printf("  (short: near-end read %d bytes, %llu of %u bytes from the start)\n", nearEnd,
                    (unsigned long long)total, size);
    }
    return 0;
}
