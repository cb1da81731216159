// A console that keeps what is printed, for tests to read.
#pragma once

#include <string>

#include "console/Console.h"
#include "machine/Machine.h"

namespace testing_support {

class CaptureConsole : public Console {
  public:
    CaptureConsole() : Console(Console::kWindow) {}
    explicit CaptureConsole(int16_t kind) : Console(kind) {}
    void print(const ce::WCHAR* format, ...) override {
        va_list args;
        va_start(args, format);
        this->format(format, args);
        va_end(args);
        text += line();
    }
    std::string utf8() const { return host::toUtf8(text); }
    std::u16string text;
};

}  // namespace testing_support
