// The process-wide UART console, of the class of the CPU family's row.
#include <new>

#include "arch/arm/ARMSerialConsole.h"
#include "arch/arm/ArmVariant.h"
#include "arch/arm/PXA2X0SerialConsole.h"
#include "arch/arm/SA1100SerialConsole.h"

namespace {

ARMSerialConsole*& holder() {
    static ARMSerialConsole* console = nullptr;
    return console;
}

}  // namespace

ARMSerialConsole* ARMSerialConsole::instance(MemoryManager*& memoryManager, uint32_t cpuKind,
                                             uint32_t baudRate) {
    if (holder())
        return holder();
    const ArmVariant* variant = ArmVariant::forCpu(cpuKind);
    if (variant == &ArmVariant::sa11x0())
        holder() = new (std::nothrow) SA1100SerialConsole(memoryManager, baudRate);
    else if (variant == &ArmVariant::pxa2x0())
        holder() = new (std::nothrow) PXA2X0SerialConsole(memoryManager, baudRate);
    return holder();
}

void ARMSerialConsole::destroyInstance() {
    if (!holder())
        return;
    if (Console::instance() == holder())
        Console::changeConsole(nullptr);
    delete holder();
    holder() = nullptr;
}
