// A console that writes straight into a UART's registers (mapped through the
// Boot object's memory manager) after COM1 has been opened and set to the
// configured speed through the driver. One instance per run at most.
#pragma once

#include <cstdint>

#include "arch/arm/Uart.h"
#include "console/SerialConsole.h"
#include "platform/NotFound.h"

class MemoryManager;

class ARMSerialConsole : public SerialConsole {
  public:
    // The process-wide instance; the first call naming a CPU kind of the
    // platform table creates the UART console for it, which sets COM1 to
    // `baudRate` if it opens the port (the arguments of later calls are not
    // looked at). Null for any other kind, or when no memory is left.
    static ARMSerialConsole* instance(MemoryManager*& memoryManager, uint32_t cpuKind,
                                      uint32_t baudRate);
    // Destroys the instance. When it is the process-wide console, the window
    // console takes its place, so nothing prints through a destroyed object.
    static void destroyInstance();

    // The message to the UART, a carriage return before each line feed.
    void print(const ce::WCHAR* format, ...) override;
    // COM1, then the UART's registers (an earlier attempt's mapping
    // is released first); false when either fails.
    bool init() override;
    // Releases the register mapping.
    virtual ~ARMSerialConsole();
    // One byte to the UART; nothing while the registers are not mapped.
    virtual void putc(uint8_t c);

  protected:
    ARMSerialConsole(MemoryManager*& memoryManager, const Uart& uart, uint32_t baudRate);
    void unmapRegisters();

    MemoryManager*& memoryManager;
    const Uart uart_;
    uint32_t registers = kNotFound;
};
