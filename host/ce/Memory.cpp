// Virtual memory and physical pages of the simulated process: the calls go
// to the machine's AddressSpace.
#include "ce/CoreDll.h"
#include "machine/AddressSpace.h"
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
