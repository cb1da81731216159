// ELF headers, program headers and section tables through ElfLoader over the
// input bytes: the header checks, both header tables, the size line with the
// symbol block, the regions and their destinations and, for a kernel small
// enough to reserve pages for on the simulated handheld, the chain of links.
#include <cstdint>
#include <memory>

#include "ce/CoreDll.h"
#include "loader/ElfLoader.h"
#include "memory/Destinations.h"
#include "memory/MemoryManager_LockPages.h"
#include "memory/Placement.h"
#include "support/FuzzSupport.h"

namespace {

constexpr uint32_t kPage = 4096;
// Reserving more than this per input only slows the run down.
constexpr uint32_t kMostBytesToLoad = 2 * 1024 * 1024;

// The boot's order: the destinations first, the reservation kept out of
// them, then the chain.
void loadInto(ElfLoader& loader, MemoryManager& memory, uint32_t kernelBytes) {
    Destinations destinations;
    if (!loader.regionsAreDisjoint() || !loader.destinations(0, kPlaceAsIs, destinations))
        return;
    memory.avoid(destinations);
    uint32_t storage = memory.storageSize(memory.roundUpPage(kernelBytes)) + 4 * kPage;
    if (!memory.reservePages(MemoryManager::roundUp64K(storage), false))
        return;
    uint32_t v = 0, p = 0;
    memory.takeLastPage(v, p);  // the second-stage loader's page
    if (loader.load())
        loader.finishLinks();
    loader.jumpAddr();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::machine();
    static fuzz_support::QuietConsole quiet;
    Console* console = &quiet;
    std::unique_ptr<MemoryManager> owned(
        new MemoryManager_LockPages(&host::lockPages, &host::unlockPages, console, kPage, 0));
    MemoryManager* memory = owned.get();
    fuzz_support::BytesFile bytes(console, data, size);
    FileManager* file = &bytes;
    ElfLoader loader(console, memory);
    if (!loader.setFile(file))
        return 0;
    uint32_t kernelBytes = loader.memorySize();
    if (kernelBytes <= kMostBytesToLoad)
        loadInto(loader, *memory, kernelBytes);
    return 0;
}
