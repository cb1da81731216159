// Figures for the physical-memory side of a boot on the simulated handheld:
// committing pages, finding their frames with LockPages and with the
// VirtualCopy search, and walking a chain. Prints times; asserts nothing.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "ce/CoreDll.h"
#include "console/Console.h"
#include "machine/ChainWalker.h"
#include "machine/Machine.h"
#include "machine/PhysicalImage.h"
#include "machine/PhysicalMemory.h"
#include "memory/MemoryManager_LockPages.h"
#include "memory/MemoryManager_VirtualCopy.h"
#include "platform/ce/CeMemory.h"

namespace {

class QuietConsole : public Console {
  public:
    QuietConsole() : Console(Console::kWindow) {}
    void print(const ce::WCHAR*, ...) override {}
};

double milliseconds(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void reserve(const char* method, MemoryManager& manager, uint32_t bytes) {
    double ms = milliseconds([&] { manager.reservePages(bytes, false); });
    std::printf("%-28s %6u pages %9.2f ms  (%.1f us/page)\n", method, bytes / 4096, ms,
                ms * 1000 / (bytes / 4096));
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    std::string dir = (fs::temp_directory_path() / "kestrel-bench-XXXXXX").string();
    if (!mkdtemp(dir.data()))
        return 1;
    fs::create_directory(fs::path(dir) / "root");
    host::MachineProfile profile;
    host::MachineProfile::builtin("jornada720", profile);
    host::Machine::openWith(dir, profile);
    QuietConsole console;
    Console* slot = &console;

    const uint32_t kBytes = 0x400000;  // a 4 MiB kernel and image
    {
        MemoryManager_LockPages manager(&host::lockPages, &host::unlockPages, slot, 4096, 0);
        reserve("LockPages", manager, kBytes);
    }
    {
        MemoryManager_VirtualCopy manager(slot, 4096);
        for (const auto& bank : host::Machine::current().component<host::PhysicalMemory>().banks())
            manager.addRegion(bank.base, bank.size);
        reserve("VirtualCopy search", manager, kBytes);
    }
    {
        // One window of the search: map 4 MiB of RAM, look at every page, unmap.
        void* window = ce::VirtualAlloc(nullptr, 0x400000, ce::MEM_RESERVE, ce::PAGE_NOACCESS);
        const int kRounds = 64;
        double ms = milliseconds([&] {
            for (int i = 0; i < kRounds; ++i) {
                ce::VirtualCopy(window, reinterpret_cast<void*>(uintptr_t(0xC8000000 >> 8)),
                                0x400000, ce::PAGE_READONLY | ce::PAGE_PHYSICAL);
                volatile uint32_t sum = 0;
                for (uint32_t off = 0; off < 0x400000; off += 4096)
                    sum = sum +
                          *reinterpret_cast<volatile uint32_t*>(static_cast<char*>(window) + off);
                ce::VirtualFree(window, 0x400000, ce::MEM_DECOMMIT);
            }
        });
        ce::VirtualFree(window, 0, ce::MEM_RELEASE);
        std::printf("%-28s %6s       %9.2f ms  per 4 MiB window\n", "VirtualCopy window", "",
                    ms / kRounds);
    }
    {
        auto& ram = host::Machine::current().component<host::PhysicalMemory>();
        double copy = 0, walk = 0;
        copy = milliseconds([&] {
            host::PhysicalImage image(ram);
            walk = milliseconds([&] { host::ChainWalker(false).walk(image, 0xFFFFFFFF); });
        });
        std::printf("%-28s %6s       %9.2f ms  (32 MiB, copy-on-write)\n", "PhysicalImage snapshot",
                    "", copy - walk);
    }
    host::Machine::close();
    fs::remove_all(dir);
    return 0;
}
