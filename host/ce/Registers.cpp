// Register accessors: a register window's virtual address is translated to
// its physical address; device addresses reach the device model (the same
// one the CPU's MMIO hooks reach), RAM is read and written in place.
#include <cstdio>
#include <cstdlib>
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

// Reads of an address where the machine has neither RAM nor a device (a
// UART of the other CPU family, when the chosen platform does not match the
// handheld). A driver polling such a status register would wait forever and
// the simulation with it: after kOpenBusLimit reads of the same address in a
// row the run ends with a line that says where.
class OpenBusWatch : public host::MachineComponent {
  public:
    static constexpr uint64_t kOpenBusLimit = 1000000;
    explicit OpenBusWatch(host::Machine& machine) : machine_(machine) {}
    void hit(uint32_t physical) {
        count_ = physical == address_ ? count_ + 1 : 1;
        address_ = physical;
        if (count_ < kOpenBusLimit)
            return;
        char where[16];
        std::snprintf(where, sizeof where, "0x%08x", physical);
        machine_.stop(1, std::string("the system keeps polling physical ") + where +
                             ", where the " + machine_.profile().name +
                             " has no device (is the chosen platform this machine?)");
    }
    void clear() { count_ = 0; }

  private:
    host::Machine& machine_;
    uint32_t address_ = 0;
    uint64_t count_ = 0;
};

uint32_t load(ce::DWORD address, unsigned size) {
    uint32_t physical = 0;
    if (!physicalOf(address, physical))
        return 0;
    host::Machine& m = host::Machine::current();
    OpenBusWatch& watch = m.component<OpenBusWatch>();
    uint32_t value = 0;
    if (m.component<host::DeviceBus>().read(physical, size, value)) {
        watch.clear();
        return value;
    }
    if (uint8_t* p = m.component<host::PhysicalMemory>().ram(physical, size)) {
        std::memcpy(&value, p, size);
        watch.clear();
        return value;
    }
    watch.hit(physical);
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
