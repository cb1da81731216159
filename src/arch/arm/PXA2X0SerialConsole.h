// The UART console of PXA-2x0 machines: the full-function UART.
#pragma once

#include "arch/arm/ARMSerialConsole.h"

class PXA2X0SerialConsole : public ARMSerialConsole {
  public:
    explicit PXA2X0SerialConsole(MemoryManager*& memoryManager);
    // COM1, then the full-function UART's registers at 0x40100000.
    bool init() override;
    // Waits for room (LSR.TDRQ), writes THR, waits again, reads IIR once.
    void putc(uint8_t c) override;
};
