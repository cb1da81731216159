// Reads one file whole, as the first read of a boot does after its open,
// through a backend of the system or through its baseline, RUNS times in
// one process, and prints the best and the median time and the bytes read:
//   bench_netdisk ufs DEVICE UNIT: PATH RUNS      the UFS backend over a disk
//   bench_netdisk image FILE BYTES RUNS           read(2) of BYTES of the image
//   bench_netdisk http DEVICE http://HOST:PORT/ PATH RUNS   the web backend
//   bench_netdisk socket HOST PORT PATH RUNS      one plain GET into a fresh
//                                                 buffer of the content's size
// The baselines are timed in-process like the backends, so a process start
// is in neither figure. The web backend keeps the whole content in a buffer
// it takes afresh for each file; the socket baseline does the same, so both
// pay the first touch of every page of it. Asserts nothing.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PlainDownload.h"
#include "console/Console.h"
#include "file/http/HttpFileManager.h"
#include "file/ufs/UfsFileManager.h"
#include "machine/Machine.h"
#include "support/CaptureConsole.h"

namespace {

using Clock = std::chrono::steady_clock;

// One whole read; the bytes it read, or -1 after printing why it failed.
using Reading = std::function<int64_t()>;

int measure(const Reading& reading, int runs) {
    std::vector<double> times;
    int64_t bytes = 0;
    for (int i = 0; i < runs; ++i) {
        Clock::time_point start = Clock::now();
        bytes = reading();
        if (bytes < 0)
            return 1;
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("%.4f %.4f %lld\n", times.front(), times[times.size() / 2],
                static_cast<long long>(bytes));
    return 0;
}

int64_t throughBackend(FileManager& files, const std::u16string& root, const std::u16string& name,
                       const testing_support::CaptureConsole& console) {
    if (!files.setRoot(root.c_str()) || !files.open(name.c_str(), FileManager::kOpenMode)) {
        std::fprintf(stderr, "bench_netdisk: %s\n", host::toUtf8(console.text).c_str());
        return -1;
    }
    std::vector<char> buffer(1 << 16);
    int64_t total = 0;
    for (int32_t n; (n = files.read(buffer.data(), uint32_t(buffer.size()),
                                    FileManager::kCurrentPosition)) > 0;)
        total += n;
    files.close();
    return total;
}

int runBackend(const char* kind, char** argv, int runs) {
    std::string error;
    if (!host::Machine::open(argv[0], error)) {
        std::fprintf(stderr, "bench_netdisk: %s\n", error.c_str());
        return 1;
    }
    std::u16string root = host::fromUtf8(argv[1]), name = host::fromUtf8(argv[2]);
    int status = measure(
        [&] {
            testing_support::CaptureConsole console;
            Console* slot = &console;
            std::unique_ptr<FileManager> files;
            if (std::strcmp(kind, "ufs") == 0) {
                files = std::make_unique<UfsFileManager>(slot);
            } else {
                files = std::make_unique<HttpFileManager>(slot);
            }
            return throughBackend(*files, root, name, console);
        },
        runs);
    host::Machine::close();
    return status;
}

int64_t readImage(const char* path, int64_t bytes) {
    int fd = ::open(path, O_RDONLY);
    if (fd < 0) {
        std::perror(path);
        return -1;
    }
    std::vector<char> buffer(1 << 16);
    int64_t total = 0;
    for (ssize_t n; total < bytes && (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
        total += n;
    ::close(fd);
    return std::min(total, bytes);
}

}  // namespace

int main(int argc, char** argv) {
    std::string kind = argc > 1 ? argv[1] : "";
    int runs = argc > 2 ? std::atoi(argv[argc - 1]) : 0;
    if ((kind == "ufs" || kind == "http") && argc == 6 && runs > 0)
        return runBackend(argv[1], argv + 2, runs);
    if (kind == "image" && argc == 5 && runs > 0) {
        int64_t bytes = std::atoll(argv[3]);
        return measure([&] { return readImage(argv[2], bytes); }, runs);
    }
    if (kind == "socket" && argc == 6 && runs > 0) {
        int port = std::atoi(argv[3]);
        return measure([&] { return plainDownload(argv[2], port, argv[4]); }, runs);
    }
    std::fprintf(stderr,
                 "usage: bench_netdisk ufs DEVICE UNIT: PATH RUNS\n"
                 "       bench_netdisk image FILE BYTES RUNS\n"
                 "       bench_netdisk http DEVICE http://HOST:PORT/ PATH RUNS\n"
                 "       bench_netdisk socket HOST PORT PATH RUNS\n");
    return 2;
}
