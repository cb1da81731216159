// System information, time, random numbers and debug output of the machine.
#include <chrono>
#include <thread>

#include "machine/Machine.h"
#include "machine/RandomSource.h"
#include "platform/ce/CeFile.h"
#include "platform/ce/CeSystem.h"
#include "platform/ce/CeText.h"

namespace ce {
namespace {

void copyName(WCHAR* to, size_t capacity, const std::string& name) {
    std::u16string wide = host::fromUtf8(name);
    size_t n = std::min(wide.size(), capacity - 1);
    std::copy_n(wide.begin(), n, to);
    to[n] = 0;
}

}  // namespace

BOOL GetVersionExW(OSVERSIONINFOW* info) {
    if (!info)
        return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
    const host::MachineProfile& p = host::Machine::current().profile();
    info->dwMajorVersion = p.ceMajor;
    info->dwMinorVersion = p.ceMinor;
    info->dwBuildNumber = p.ceBuild;
    info->dwPlatformId = VER_PLATFORM_WIN32_CE;
    info->szCSDVersion[0] = 0;
    return TRUE;
}

void GetSystemInfo(SYSTEM_INFO* info) {
    const host::MachineProfile& p = host::Machine::current().profile();
    *info = SYSTEM_INFO{};
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ARM;
    info->wProcessorLevel = p.isStrongArm() ? 4 : 5;  // ARMv4 or ARMv5TE
    info->wProcessorRevision = p.isStrongArm() ? 0x0B : 0x0105;
    info->dwPageSize = 0x1000;
    info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(0x10000);
    info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(0x7FFFFFFF);
    info->dwActiveProcessorMask = 1;
    info->dwNumberOfProcessors = 1;
    info->dwProcessorType = PROCESSOR_STRONGARM;
    info->dwAllocationGranularity = 0x10000;
}

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* info) {
    if (!info)
        return TIME_ZONE_ID_INVALID;
    const host::MachineProfile& p = host::Machine::current().profile();
    *info = TIME_ZONE_INFORMATION{};
    info->Bias = p.tzBias;
    info->StandardBias = p.tzStandardBias;
    info->DaylightBias = p.tzDaylightBias;
    copyName(info->StandardName, 32, p.tzName);
    copyName(info->DaylightName, 32, p.tzName);
    return p.tzDaylight ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

DWORD Random() {
    return host::Machine::current().component<host::RandomSource>().next();
}

DWORD GetTickCount() {
    using namespace std::chrono;
    return DWORD(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void Sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void OutputDebugStringW(LPCWSTR text) {
    // With no handheld (a fuzz target over the system alone) it goes nowhere.
    if (text && host::Machine::active())
        host::Machine::current().debugOutput(host::toUtf8(text));
}

}  // namespace ce
