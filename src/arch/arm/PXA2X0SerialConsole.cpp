#include "arch/arm/PXA2X0SerialConsole.h"

#include "arch/arm/UartRegisters.h"
#include "platform/ce/CeRegisters.h"

PXA2X0SerialConsole::PXA2X0SerialConsole(MemoryManager*& memoryManager)
    : ARMSerialConsole(memoryManager) {}

bool PXA2X0SerialConsole::init() {
    return initUart(pxa2x0::kFfuartBase);
}

void PXA2X0SerialConsole::putc(uint8_t c) {
    if (registers == kNotMapped)
        return;
    while (!(ce::read8(registers + pxa2x0::kLSR) & pxa2x0::kLSR_TDRQ)) {
    }
    ce::write8(registers + pxa2x0::kTHR, c);
    while (!(ce::read8(registers + pxa2x0::kLSR) & pxa2x0::kLSR_TDRQ)) {
    }
    ce::read8(registers + pxa2x0::kIIR);
}
