// System information, modules, time, random numbers and debug output.
#pragma once

#include "platform/ce/CeTypes.h"

namespace ce {

BOOL GetVersionExW(OSVERSIONINFOW* info);
void GetSystemInfo(SYSTEM_INFO* info);
// TIME_ZONE_ID_STANDARD (1), TIME_ZONE_ID_DAYLIGHT (2) or TIME_ZONE_ID_UNKNOWN.
DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* info);
DWORD Random();
DWORD GetTickCount();
void Sleep(DWORD milliseconds);

HMODULE LoadLibraryW(LPCWSTR name);
FARPROC GetProcAddressW(HMODULE module, LPCWSTR name);
BOOL FreeLibrary(HMODULE module);

void OutputDebugStringW(LPCWSTR text);

}  // namespace ce
