// A console that writes straight into a UART's registers (mapped through the
// Boot object's memory manager) after COM1 has been opened and set to the
// configured speed through the driver. One instance per run at most.
#pragma once

#include <cstdint>

#include "console/SerialConsole.h"

class MemoryManager;

class ARMSerialConsole : public SerialConsole {
  public:
    static constexpr uint32_t kNotMapped = 0xFFFFFFFF;
    static constexpr uint32_t kCpuSa11x0 = 0x0C104000;
    static constexpr uint32_t kCpuPxa250 = 0x0C204000;
    static constexpr uint32_t kCpuPxa270 = 0x0C208000;

    // The process-wide instance; the first call naming a known CPU kind
    // creates the UART console for it (the arguments of later calls are not
    // looked at). Null for any other kind.
    static ARMSerialConsole* instance(MemoryManager*& memoryManager, uint32_t cpuKind);
    // Destroys the instance. When it is the process-wide console, the window
    // console takes its place, so nothing prints through a destroyed object.
    static void destroyInstance();

    // Slot 0: the message to the UART, a carriage return before each line feed.
    void print(const ce::WCHAR* format, ...) override;
    // Slot 1: COM1, then the UART's registers; false when either fails.
    bool init() override = 0;
    // Slot 2: releases the register mapping.
    virtual ~ARMSerialConsole();
    // Slot 3: one byte to the UART; nothing while the registers are not mapped.
    virtual void putc(uint8_t c) = 0;

  protected:
    explicit ARMSerialConsole(MemoryManager*& memoryManager);
    // SerialConsole::init, then maps the UART at `physical` anew (an earlier
    // attempt's mapping is released first).
    bool initUart(uint32_t physical);
    void unmapRegisters();

    MemoryManager*& memoryManager;
    uint32_t registers = kNotMapped;
};
