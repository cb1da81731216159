// Virtual memory and physical pages of the simulated process: the calls go
// to the machine's AddressSpace.
#include "ce/CoreDll.h"
#include "machine/AddressSpace.h"
#include "machine/PhysicalMemory.h"
#include "platform/ce/CeMemory.h"

namespace {

host::AddressSpace& space() {
    return host::Machine::current().component<host::AddressSpace>();
}

}  // namespace

namespace ce {

LPVOID VirtualAlloc(LPVOID address, DWORD size, DWORD type, DWORD protect) {
    return space().virtualAlloc(address, size, type, protect);
}

BOOL VirtualFree(LPVOID address, DWORD size, DWORD type) {
    return space().virtualFree(address, size, type) ? TRUE : FALSE;
}

BOOL VirtualCopy(LPVOID dest, LPVOID source, DWORD size, DWORD protect) {
    return space().virtualCopy(dest, source, size, protect) ? TRUE : FALSE;
}

// Physical memory is the profile's RAM; what is available is what the OS has
// not handed out. The process's 32 MiB slot is its virtual space.
void GlobalMemoryStatus(MEMORYSTATUS* status) {
    if (!status)
        return;
    host::Machine& machine = host::Machine::current();
    uint64_t total = machine.profile().ramTotal();
    uint64_t available = uint64_t(machine.component<host::PhysicalMemory>().freeFrameCount()) *
                         host::PhysicalMemory::kPageSize;
    auto clamp = [](uint64_t v) { return DWORD(v > 0xFFFFFFFF ? 0xFFFFFFFF : v); };
    *status = MEMORYSTATUS{};
    status->dwLength = sizeof *status;
    status->dwTotalPhys = clamp(total);
    status->dwAvailPhys = clamp(available);
    status->dwMemoryLoad = total ? DWORD((total - available) * 100 / total) : 0;
    status->dwTotalVirtual = 32u << 20;
    status->dwAvailVirtual = 32u << 20;
}

}  // namespace ce

namespace host {

ce::BOOL lockPages(ce::LPVOID address, ce::DWORD size, ce::DWORD* frames, int options) {
    ++Machine::current().counters()["LockPages"];
    return space().lockPages(address, size, frames, options) ? ce::TRUE : ce::FALSE;
}

ce::BOOL unlockPages(ce::LPVOID address, ce::DWORD size) {
    ++Machine::current().counters()["UnlockPages"];
    return space().unlockPages(address, size) ? ce::TRUE : ce::FALSE;
}

}  // namespace host
