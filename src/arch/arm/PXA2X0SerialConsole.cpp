#include "arch/arm/PXA2X0SerialConsole.h"

PXA2X0SerialConsole::PXA2X0SerialConsole(MemoryManager*& memoryManager, uint32_t baudRate)
    : ARMSerialConsole(memoryManager, Uart(Uart::Model::Pxa2x0Ffuart), baudRate) {}
