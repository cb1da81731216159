#include "ce/CoreDll.h"

#include "machine/Machine.h"
#include "platform/ce/Ce.h"

namespace host {
namespace {

template <class F>
ce::FARPROC exported(F f) {
    return reinterpret_cast<ce::FARPROC>(reinterpret_cast<void*>(f));
}

// The module handle the simulated loader gives out for coredll.dll.
ce::HMODULE coreDllHandle() {
    return reinterpret_cast<ce::HMODULE>(uintptr_t(0x01F60000));
}

}  // namespace

const std::vector<CoreDllExport>& coreDllExports() {
    static const std::vector<CoreDllExport> exports = {
        {u"GetVersionExW", exported(&ce::GetVersionExW)},
        {u"GetVersionEx", exported(&ce::GetVersionExW)},
        {u"GetSystemInfo", exported(&ce::GetSystemInfo)},
        {u"GetTimeZoneInformation", exported(&ce::GetTimeZoneInformation)},
        {u"Random", exported(&ce::Random)},
        {u"LockPages", exported(&lockPages)},
        {u"UnlockPages", exported(&unlockPages)},
    };
    return exports;
}

}  // namespace host

namespace ce {

HMODULE LoadLibraryW(LPCWSTR name) {
    host::Machine& m = host::Machine::current();
    ++m.counters()["LoadLibraryW"];
    if (!name || _wcsicmp(name, u"coredll.dll") != 0 || m.profile().value("coredll") == "missing") {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return host::coreDllHandle();
}

FARPROC GetProcAddressW(HMODULE module, LPCWSTR name) {
    if (module != host::coreDllHandle() || !name) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const host::MachineProfile& p = host::Machine::current().profile();
    std::string wanted = host::toUtf8(name);
    if (p.missingExports.count(wanted)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    for (const host::CoreDllExport& e : host::coreDllExports()) {
        if (wcscmp(e.name, name) == 0)
            return e.function;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
    if (module != host::coreDllHandle())
        return SetLastError(ERROR_INVALID_HANDLE), FALSE;
    return TRUE;
}

}  // namespace ce
