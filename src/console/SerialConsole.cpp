#include "console/SerialConsole.h"

#include "console/Com1.h"
#include "platform/ce/CeFile.h"
#include "platform/ce/CeText.h"

namespace {

constexpr char kCarriageReturn = 0x0D;
constexpr char kLineFeed = 0x0A;

void writeByte(ce::HANDLE port, char byte) {
    ce::DWORD written = 0;
    ce::WriteFile(port, &byte, 1, &written, nullptr);
}

}  // namespace

SerialConsole::SerialConsole(uint32_t baudRate)
    : Console(kSerial), comPort(ce::INVALID_HANDLE_VALUE), baudRate_(baudRate) {}

bool SerialConsole::init() {
    if (comPort == ce::INVALID_HANDLE_VALUE)
        comPort = openCom1(baudRate_);
    if (comPort == ce::INVALID_HANDLE_VALUE) {
        // To the Console page, never to the port that failed.
        Console::print(TEXT("couldn't open COM1\n"));
        return false;
    }
    ce::DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ce::GetCommState(comPort, &dcb);
    Console::print(TEXT("BaudRate %d, ByteSize %#x, Parity %#x, StopBits %#x\n"), dcb.BaudRate,
                   dcb.ByteSize, dcb.Parity, dcb.StopBits);
    return true;
}

bool SerialConsole::toNarrow() {
    int units = int(ce::wcslen(line()));
    int n = ce::WideCharToMultiByte(ce::CP_ACP, 0, line(), units, nullptr, 0, nullptr, nullptr);
    if (n < 0 || n + 1 > kNarrowBytes)
        return false;
    if (n > 0 &&
        ce::WideCharToMultiByte(ce::CP_ACP, 0, line(), units, narrowLine, n, nullptr, nullptr) == 0)
        return false;
    narrowLine[n] = 0;
    return true;
}

bool SerialConsole::formatNarrow(const ce::WCHAR* format, va_list args) {
    this->format(format, args);
    return toNarrow();
}

void SerialConsole::print(const ce::WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    bool ok = formatNarrow(format, args);
    va_end(args);
    if (!ok)
        return;
    for (const char* p = narrowLine; *p; ++p) {
        if (*p == kLineFeed)
            writeByte(comPort, kCarriageReturn);
        writeByte(comPort, *p);
    }
}
