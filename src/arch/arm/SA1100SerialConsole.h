// The UART console of SA-11x0 machines: serial port 3.
#pragma once

#include "arch/arm/ARMSerialConsole.h"

class SA1100SerialConsole : public ARMSerialConsole {
  public:
    explicit SA1100SerialConsole(MemoryManager*& memoryManager);
    // COM1, then serial port 3's registers at 0x80050000.
    bool init() override;
    // Waits until the transmitter is idle with room in its FIFO, then UTDR.
    void putc(uint8_t c) override;
};
