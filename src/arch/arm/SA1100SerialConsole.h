// The UART console of SA-11x0 machines: serial port 3.
#pragma once

#include "arch/arm/ARMSerialConsole.h"

class SA1100SerialConsole : public ARMSerialConsole {
  public:
    SA1100SerialConsole(MemoryManager*& memoryManager, uint32_t baudRate);
};
