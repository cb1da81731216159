// A console on COM1 through the platform's serial driver: every message is
// converted to the system code page and written byte by byte, a carriage
// return before each line feed. The base of the UART consoles.
#pragma once

#include "console/Console.h"
#include "platform/ce/CeTypes.h"

class SerialConsole : public Console {
  public:
    static constexpr int kNarrowBytes = 256;

    // `baudRate`: the speed COM1 is set to if this console opens it.
    explicit SerialConsole(uint32_t baudRate);
    // The message to COM1.
    void print(const ce::WCHAR* format, ...) override;
    // Gets COM1 (openCom1) and reports its settings on the Console
    // page; false after "couldn't open COM1" there.
    bool init() override;

  protected:
    ~SerialConsole() = default;
    // line() in the code page into narrowLine, NUL-terminated; false when
    // it needs more than 255 bytes or does not convert (nothing is sent).
    bool toNarrow();
    // Formats and converts; false when the message is not to be sent.
    bool formatNarrow(const ce::WCHAR* format, va_list args);

    ce::HANDLE comPort;
    uint32_t baudRate_;
    char narrowLine[kNarrowBytes] = {};
};
