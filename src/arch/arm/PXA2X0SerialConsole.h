// The UART console of PXA-2x0 machines: the full-function UART.
#pragma once

#include "arch/arm/ARMSerialConsole.h"

class PXA2X0SerialConsole : public ARMSerialConsole {
  public:
    PXA2X0SerialConsole(MemoryManager*& memoryManager, uint32_t baudRate);
};
