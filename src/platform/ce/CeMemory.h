// Virtual memory, physical pages and the thread's privilege.
#pragma once

#include "platform/ce/CeTypes.h"

namespace ce {

constexpr DWORD MEM_COMMIT = 0x00001000;
constexpr DWORD MEM_RESERVE = 0x00002000;
constexpr DWORD MEM_DECOMMIT = 0x00004000;
constexpr DWORD MEM_RELEASE = 0x00008000;
constexpr DWORD PAGE_NOACCESS = 0x01;
constexpr DWORD PAGE_READONLY = 0x02;
constexpr DWORD PAGE_READWRITE = 0x04;
constexpr DWORD PAGE_NOCACHE = 0x200;
constexpr DWORD PAGE_PHYSICAL = 0x400;

LPVOID VirtualAlloc(LPVOID address, DWORD size, DWORD type, DWORD protect);
BOOL VirtualFree(LPVOID address, DWORD size, DWORD type);
// With PAGE_PHYSICAL the source is a physical address shifted right by 8.
BOOL VirtualCopy(LPVOID dest, LPVOID source, DWORD size, DWORD protect);

// Looked up by name in "coredll.dll".
using LockPagesProc = BOOL (*)(LPVOID address, DWORD size, DWORD* frames, int options);
using UnlockPagesProc = BOOL (*)(LPVOID address, DWORD size);

// The machine's memory, in bytes.
struct MEMORYSTATUS {
    DWORD dwLength;
    DWORD dwMemoryLoad;  // percent in use
    DWORD dwTotalPhys;
    DWORD dwAvailPhys;
    DWORD dwTotalPageFile;
    DWORD dwAvailPageFile;
    DWORD dwTotalVirtual;
    DWORD dwAvailVirtual;
};
void GlobalMemoryStatus(MEMORYSTATUS* status);

// Kernel mode for the thread (the CPU then runs in System mode); returns the
// previous state.
BOOL SetKMode(BOOL kernel);

}  // namespace ce
