#include "arch/arm/SA1100SerialConsole.h"

SA1100SerialConsole::SA1100SerialConsole(MemoryManager*& memoryManager, uint32_t baudRate)
    : ARMSerialConsole(memoryManager, Uart(Uart::Model::Sa11x0Serial3), baudRate) {}
