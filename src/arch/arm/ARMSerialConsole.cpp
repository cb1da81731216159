#include "arch/arm/ARMSerialConsole.h"

#include "arch/arm/UartRegisters.h"
#include "arch/arm/PXA2X0SerialConsole.h"
#include "arch/arm/SA1100SerialConsole.h"
#include "memory/MemoryManager.h"
#include "platform/ce/CeMemory.h"

namespace {

constexpr uint8_t kCarriageReturn = 0x0D;
constexpr uint8_t kLineFeed = 0x0A;

ARMSerialConsole*& holder() {
    static ARMSerialConsole* console = nullptr;
    return console;
}

}  // namespace

ARMSerialConsole* ARMSerialConsole::instance(MemoryManager*& memoryManager, uint32_t cpuKind) {
    if (holder())
        return holder();
    if (cpuKind == kCpuSa11x0) {
        holder() = new SA1100SerialConsole(memoryManager);
    } else if (cpuKind == kCpuPxa250 || cpuKind == kCpuPxa270) {
        holder() = new PXA2X0SerialConsole(memoryManager);
    }
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

ARMSerialConsole::ARMSerialConsole(MemoryManager*& memoryManager) : memoryManager(memoryManager) {}

ARMSerialConsole::~ARMSerialConsole() {
    unmapRegisters();
}

void ARMSerialConsole::unmapRegisters() {
    if (registers == kNotMapped)
        return;
    uint32_t mapped = registers;
    // Not mapped from here on: a report of the release prints nothing here.
    registers = kNotMapped;
    // The memory manager of the attempt may be gone already (an attempt
    // that failed before creating one); the mapping then stays until exit.
    if (memoryManager)
        memoryManager->unmapPhysical(mapped);
}

bool ARMSerialConsole::initUart(uint32_t physical) {
    if (!SerialConsole::init())
        return false;
    unmapRegisters();
    registers = memoryManager->mapPhysical(physical, kUartWindowSize, ce::PAGE_READWRITE);
    return registers != kNotMapped;
}

void ARMSerialConsole::print(const ce::WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    bool ok = formatNarrow(format, args);
    va_end(args);
    if (!ok || registers == kNotMapped)
        return;
    for (int i = 0; i < kNarrowBytes && narrowLine[i] != 0; ++i) {
        uint8_t c = uint8_t(narrowLine[i]);
        if (c == kLineFeed)
            putc(kCarriageReturn);
        putc(c);
    }
}
