// Read patterns on one file through the system's file-manager stack over
// local files, each on a fresh open:
//   sequential  the content read from the start to the end (the unit of cost)
//   image       realSize, then reads from the start in page-payload steps
//               (how the boot loads a file-system image)
//   kernel      the ELF loader's order: the header at the start, the section
//               headers at the end, the program headers at the start,
//               realSize, the section names near the end, the segments from
//               the start, the symbol and string tables at the end
// For each: the time, the time as a multiple of the sequential read, the
// bytes inflated per content byte, and the checkpoints' memory (the best
// time of three runs). Prints figures; asserts nothing.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "console/Console.h"
#include "file/FileManager.h"
#include "file/gzip/GzipFileManager.h"
#include "machine/Machine.h"
#include "support/CaptureConsole.h"

namespace {

using Clock = std::chrono::steady_clock;

// The loader reads into pages of 4096 bytes less their 16-byte tag.
constexpr uint32_t kPayload = 4080;

struct Run {
    double seconds = 0;
    uint64_t inflated = 0;  // 0 for a plain file
    uint32_t checkpoints = 0;
    uint32_t checkpointBytes = 0;
    bool complete = true;  // every read gave what was asked
};

class Bench {
  public:
    Bench(std::u16string name) : name_(std::move(name)) {}

    bool open() {
        files_.reset(FileManager::create(slot_, FileManager::kLocal));
        return files_ && files_->setRoot(u"\\") &&
               files_->open(name_.c_str(), FileManager::kOpenMode);
    }

    std::string messages() const { return host::toUtf8(console_.text); }

    // Reads `count` bytes at `offset` (or where the last read ended).
    void read(uint32_t count, uint32_t offset) {
        buffer_.resize(count);
        int32_t n = files_->read(buffer_.data(), count, offset);
        if (n != int32_t(count))
            complete_ = false;
    }

    // Reads [from, to) in page-payload steps.
    void readRange(uint32_t from, uint32_t to) {
        for (uint32_t at = from; at < to; at += kPayload)
            read(std::min(kPayload, to - at), at);
    }

    // The best of three runs: the machine is shared.
    template <class Pattern>
    Run measure(Pattern pattern) {
        Run best = measureOnce(pattern);
        for (int i = 0; i < 2; ++i) {
            Run run = measureOnce(pattern);
            if (run.seconds < best.seconds)
                best = run;
        }
        return best;
    }

    template <class Pattern>
    Run measureOnce(Pattern pattern) {
        complete_ = true;
        open();
        Clock::time_point start = Clock::now();
        pattern(*this);
        Run run;
        run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (auto* gzip = dynamic_cast<GzipFileManager*>(files_.get())) {
            run.inflated = gzip->bytesInflated();
            run.checkpoints = gzip->checkpoints().size();
            run.checkpointBytes = gzip->checkpoints().memoryBytes();
        }
        run.complete = complete_;
        files_->close();
        return run;
    }

    FileManager& files() { return *files_; }

  private:
    std::u16string name_;
    testing_support::CaptureConsole console_;
    Console* slot_ = &console_;
    std::unique_ptr<FileManager> files_;
    std::vector<char> buffer_;
    bool complete_ = true;
};

void report(const char* pattern, const Run& run, const Run& unit, uint32_t size) {
    std::printf(
        "  %-10s %8.3f s  %5.2f x sequential  %5.2f bytes inflated per content byte  "
        "%3u checkpoints, %7.1f KiB (1/%.0f of the content)%s\n",
        pattern, run.seconds, run.seconds / unit.seconds, double(run.inflated) / size,
        run.checkpoints, run.checkpointBytes / 1024.0,
        run.checkpointBytes ? double(size) / run.checkpointBytes : 0.0,
        run.complete ? "" : "  (short reads)");
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
    std::string nameText = argv[2];
    Bench bench(std::u16string(nameText.begin(), nameText.end()));
    if (!bench.open()) {
        std::fprintf(stderr, "bench_files: %s\n", bench.messages().c_str());
        return 1;
    }
    const uint32_t size = bench.files().realSize();
    const uint32_t stored = bench.files().size();
    bench.files().close();
    if (size == 0xFFFFFFFF || size < 1 << 20) {
        std::fprintf(stderr, "bench_files: content size %u (at least 1 MiB wanted)\n", size);
        return 1;
    }

    Run sequential = bench.measure([&](Bench& b) {
        for (uint32_t at = 0; at < size; at += 1 << 16)
            b.read(std::min(1u << 16, size - at), FileManager::kCurrentPosition);
    });
    Run image = bench.measure([&](Bench& b) {
        b.files().realSize();
        b.readRange(0, size);
    });
    // A kernel-shaped layout over the content: segments from 4 KiB to 7/8 of
    // it, the tables after them, the section headers last.
    const uint32_t segmentsEnd = size / 8 * 7, symtab = segmentsEnd + 4096;
    const uint32_t strtab = symtab + (size - symtab) / 2, sections = size - 1200;
    Run kernel = bench.measure([&](Bench& b) {
        b.read(52, 0);                        // the format probe
        b.read(52, 0);                        // the ELF header
        b.read(1200, sections);               // section headers
        b.read(64, 52);                       // program headers
        b.files().realSize();                 // the symbol block's bounds
        b.read(300, sections - 400);          // section names
        b.readRange(4096, segmentsEnd);       // segments
        b.readRange(symtab, strtab);          // .symtab
        b.readRange(strtab, sections - 400);  // .strtab
    });

    std::printf("read patterns on %s: stored %u bytes, content %u bytes\n", argv[2], stored, size);
    report("sequential", sequential, sequential, size);
    report("image", image, sequential, size);
    report("kernel", kernel, sequential, size);
    return 0;
}
