#include "arch/arm/ARMSerialConsole.h"

#include "arch/arm/UartRegisters.h"
#include "memory/MemoryManager.h"
#include "platform/ce/CeMemory.h"

ARMSerialConsole::ARMSerialConsole(MemoryManager*& memoryManager, const Uart& uart,
                                   uint32_t baudRate)
    : SerialConsole(baudRate), memoryManager(memoryManager), uart_(uart) {}

ARMSerialConsole::~ARMSerialConsole() {
    unmapRegisters();
}

void ARMSerialConsole::unmapRegisters() {
    if (registers == kNotFound)
        return;
    uint32_t mapped = registers;
    // Not mapped from here on: a report of the release prints nothing here.
    registers = kNotFound;
    // The memory manager of the attempt may be gone already (an attempt
    // that failed before creating one); the mapping then stays until exit.
    if (memoryManager)
        memoryManager->unmapPhysical(mapped);
}

bool ARMSerialConsole::init() {
    if (!SerialConsole::init())
        return false;
    unmapRegisters();
    registers = memoryManager->mapPhysical(uart_.base(), kUartWindowSize, ce::PAGE_READWRITE);
    return registers != kNotFound;
}

void ARMSerialConsole::putc(uint8_t c) {
    if (registers != kNotFound)
        uart_.put(registers, c);
}

void ARMSerialConsole::print(const ce::WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    bool ok = formatNarrow(format, args);
    va_end(args);
    if (!ok || registers == kNotFound)
        return;
    Uart::writeText(narrowLine, kNarrowBytes, [this](uint8_t c) { putc(c); });
}
