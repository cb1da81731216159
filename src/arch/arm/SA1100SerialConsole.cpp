#include "arch/arm/SA1100SerialConsole.h"

#include "arch/arm/UartRegisters.h"
#include "platform/ce/CeRegisters.h"

SA1100SerialConsole::SA1100SerialConsole(MemoryManager*& memoryManager)
    : ARMSerialConsole(memoryManager) {}

bool SA1100SerialConsole::init() {
    return initUart(sa11x0::kSerial3Base);
}

void SA1100SerialConsole::putc(uint8_t c) {
    if (registers == kNotMapped)
        return;
    for (;;) {
        uint8_t status = ce::read8(registers + sa11x0::kUTSR1);
        if (!(status & sa11x0::kUTSR1_TBY) && (status & sa11x0::kUTSR1_TNF))
            break;
    }
    ce::write8(registers + sa11x0::kUTDR, c);
}
