// The simulated "coredll.dll": the functions the system looks up by name.
// machine.conf can leave exports out ("missing_exports = LockPages") or make
// the module itself missing ("coredll = missing").
#pragma once

#include <string>
#include <vector>

#include "platform/ce/CeTypes.h"

namespace host {

struct CoreDllExport {
    const char16_t* name;
    ce::FARPROC function;
};

// Every export of the module, in one table.
const std::vector<CoreDllExport>& coreDllExports();

// Exports the system only looks up by name (no declaration in platform/ce).
ce::BOOL lockPages(ce::LPVOID address, ce::DWORD size, ce::DWORD* frames, int options);
ce::BOOL unlockPages(ce::LPVOID address, ce::DWORD size);

}  // namespace host
