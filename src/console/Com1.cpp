#include "console/Com1.h"

#include "platform/ce/CeFile.h"

namespace {

ce::HANDLE& sharedHandle() {
    static ce::HANDLE handle = ce::INVALID_HANDLE_VALUE;
    return handle;
}

// "\r\n--------KESTREL--------\r\n" and its terminating zero byte, sent too.
constexpr char kBanner[] = "\r\n--------KESTREL--------\r\n";
static_assert(sizeof kBanner == 28);

}  // namespace

ce::HANDLE openCom1(uint32_t baudRate) {
    if (sharedHandle() != ce::INVALID_HANDLE_VALUE)
        return sharedHandle();
    ce::HANDLE port = ce::CreateFileW(TEXT("COM1:"), ce::GENERIC_READ | ce::GENERIC_WRITE, 0,
                                      nullptr, ce::OPEN_EXISTING, 0, nullptr);
    if (port == ce::INVALID_HANDLE_VALUE)
        return port;
    ce::DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!ce::GetCommState(port, &dcb)) {
        ce::CloseHandle(port);
        return ce::INVALID_HANDLE_VALUE;
    }
    dcb.BaudRate = baudRate;
    if (!ce::SetCommState(port, &dcb)) {
        ce::CloseHandle(port);
        return ce::INVALID_HANDLE_VALUE;
    }
    ce::DWORD written = 0;
    ce::WriteFile(port, kBanner, sizeof kBanner, &written, nullptr);
    sharedHandle() = port;
    return port;
}

void forgetCom1() {
    sharedHandle() = ce::INVALID_HANDLE_VALUE;
}
