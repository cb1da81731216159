// Reads one file whole through a backend, as the first read of a boot does
// after its open: the UFS backend over a device folder's disk, or the
// web-server backend over a root. Prints the time; asserts nothing.
//   bench_netdisk ufs DEVICE UNIT: PATH
//   bench_netdisk http DEVICE http://HOST:PORT/ PATH
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "console/Console.h"
#include "file/http/HttpFileManager.h"
#include "file/ufs/UfsFileManager.h"
#include "machine/Machine.h"
#include "support/CaptureConsole.h"

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 || (std::strcmp(argv[1], "ufs") != 0 && std::strcmp(argv[1], "http") != 0)) {
        std::fprintf(stderr, "usage: bench_netdisk ufs|http DEVICE ROOT PATH\n");
        return 2;
    }
    std::string error;
    if (!host::Machine::open(argv[2], error)) {
        std::fprintf(stderr, "bench_netdisk: %s\n", error.c_str());
        return 1;
    }
    testing_support::CaptureConsole console;
    Console* slot = &console;
    std::unique_ptr<FileManager> files;
    if (std::strcmp(argv[1], "ufs") == 0) {
        files = std::make_unique<UfsFileManager>(slot);
    } else {
        files = std::make_unique<HttpFileManager>(slot);
    }
    std::u16string root = host::fromUtf8(argv[3]), name = host::fromUtf8(argv[4]);
    Clock::time_point start = Clock::now();
    if (!files->setRoot(root.c_str()) || !files->open(name.c_str(), 3)) {
        std::fprintf(stderr, "bench_netdisk: %s\n", host::toUtf8(console.text).c_str());
        return 1;
    }
    std::vector<char> buffer(1 << 16);
    uint64_t total = 0;
    for (int32_t n; (n = files->read(buffer.data(), uint32_t(buffer.size()),
                                     FileManager::kCurrentPosition)) > 0;)
        total += uint64_t(n);
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%.3f %llu\n", seconds, static_cast<unsigned long long>(total));
    files.reset();
    host::Machine::close();
    return 0;
}
