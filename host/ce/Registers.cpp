// Register accessors: a register window's virtual address is translated to
// its physical address; device addresses reach the device model (the same
// one the CPU's MMIO hooks reach), RAM is read and written in place.
#include <cstdio>
#include <cstring>

#include "machine/AddressSpace.h"
#include "machine/DeviceBus.h"
#include "machine/PhysicalMemory.h"
#include "platform/ce/CeRegisters.h"

namespace {

// The bytes of RAM or device behind a virtual address. False (with a note
// on stderr) when the address is not mapped: a real CPU would fault there.
bool physicalOf(ce::DWORD address, uint32_t& physical) {
    host::Machine& m = host::Machine::current();
    if (m.component<host::AddressSpace>().translate(address, physical))
        return true;
    std::fprintf(stderr, "kestrel host: register access at unmapped address 0x%08x\n", address);
    return false;
}

uint32_t load(ce::DWORD address, unsigned size) {
    uint32_t physical = 0;
    if (!physicalOf(address, physical))
        return 0;
    host::Machine& m = host::Machine::current();
    uint32_t value = 0;
    if (m.component<host::DeviceBus>().read(physical, size, value))
        return value;
    if (uint8_t* p = m.component<host::PhysicalMemory>().ram(physical, size)) {
        std::memcpy(&value, p, size);
    }
    return value;
}

void store(ce::DWORD address, unsigned size, uint32_t value) {
    uint32_t physical = 0;
    if (!physicalOf(address, physical))
        return;
    host::Machine& m = host::Machine::current();
    if (m.component<host::DeviceBus>().write(physical, size, value))
        return;
    if (uint8_t* p = m.component<host::PhysicalMemory>().ram(physical, size)) {
        std::memcpy(p, &value, size);
    }
}

}  // namespace

namespace ce {

BYTE read8(DWORD address) {
    return BYTE(load(address, 1));
}
void write8(DWORD address, BYTE value) {
    store(address, 1, value);
}
DWORD read32(DWORD address) {
    return load(address, 4);
}
void write32(DWORD address, DWORD value) {
    store(address, 4, value);
}

}  // namespace ce
