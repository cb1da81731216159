#include "arch/Architecture.h"

#include <cstring>

#include "arch/BootArgumentWriter.h"
#include "console/BoxOwner.h"
#include "console/Console.h"
#include "loader/Loader.h"
#include "memory/MemoryManager.h"
#include "platform/Address.h"
#include "platform/Align.h"
#include "platform/DisplayLookup.h"
#include "platform/ce/CeSystem.h"
#include "platform/ce/CeWindow.h"

namespace {

constexpr int kTargetVersion = 211;  // the Windows CE version the system is built for
constexpr uint32_t kSparePages = 4;  // tag page, loader, boot arguments, stack
constexpr uint64_t kLargestReservation = 0xFFFF0000;

using GetVersionExProc = ce::BOOL (*)(ce::OSVERSIONINFOW*);

// An export found by name, called with its own signature.
template <class F>
F exportAs(ce::FARPROC function) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(function));
}

}  // namespace

Architecture::Architecture(Console*& console, MemoryManager*& memoryManager)
    : console(console), memoryManager(memoryManager) {}

Architecture::~Architecture() {
    if (coreDll)
        ce::FreeLibrary(coreDll);
}

ce::FARPROC Architecture::findCoreDllProc(const ce::WCHAR* name) {
    if (!coreDll)
        coreDll = ce::LoadLibraryW(TEXT("coredll.dll"));
    if (!coreDll) {
        BoxOwner::show(boxOwner, TEXT("Can't load coredll.dll."), TEXT("WARNING"),
                       ce::MB_OK | ce::MB_ICONEXCLAMATION);
        return nullptr;
    }
    return ce::GetProcAddressW(coreDll, name);
}

ce::LockPagesProc Architecture::findLockPages() {
    return exportAs<ce::LockPagesProc>(findCoreDllProc(TEXT("LockPages")));
}

ce::UnlockPagesProc Architecture::findUnlockPages() {
    return exportAs<ce::UnlockPagesProc>(findCoreDllProc(TEXT("UnlockPages")));
}

bool Architecture::allocateMemory(uint32_t bytes) {
    uint64_t page = memoryManager->getPageSize();
    uint64_t total = uint64_t(memoryManager->storageSize(bytes)) + kSparePages * page;
    total = alignUp(total, 0x10000);
    // Beyond what 32 bits can ask for, ask for the most: it is refused as
    // any reservation that cannot be had.
    if (total > kLargestReservation)
        total = kLargestReservation;
    return memoryManager->reservePages(uint32_t(total), false);
}

void Architecture::systemInfo() {
    console->print(TEXT("_WIN32_WCE = %d\n"), kTargetVersion);
    ce::OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    auto getVersionEx = exportAs<GetVersionExProc>(findCoreDllProc(TEXT("GetVersionEx")));
    if (getVersionEx) {
        getVersionEx(&version);
        console->print(TEXT("GetVersionEx\n"));
    } else {
        ce::GetVersionExW(&version);
        console->print(TEXT("GetVersionExW\n"));
    }
    console->print(TEXT("Windows CE %d.%d\n"), version.dwMajorVersion, version.dwMinorVersion);
    ce::SYSTEM_INFO info{};
    ce::GetSystemInfo(&info);
    console->print(TEXT("GetSystemInfo:\n"));
    console->print(TEXT("wProcessorArchitecture      0x%x\n"), info.wProcessorArchitecture);
    console->print(TEXT("wProcessorLevel             0x%x\n"), info.wProcessorLevel);
    console->print(TEXT("wProcessorRevision          0x%x\n"), info.wProcessorRevision);
    console->print(TEXT("dwPageSize                  0x%x\n"), info.dwPageSize);
    console->print(TEXT("dwAllocationGranularity     0x%08x\n"), info.dwAllocationGranularity);
    console->print(TEXT("dwProcessorType             0x%x\n"), info.dwProcessorType);
    DisplayLookup display(0, 0);
    console->print(TEXT("Display: %dx%d %dbpp\n"), display.width(), display.height(),
                   display.depth());
}

uint32_t Architecture::setupBootInfo(Loader& loader, BootArgumentWriter& writer) {
    uint32_t pageVirtual = 0, pagePhysical = 0;
    if (!memoryManager->takeLastPage(pageVirtual, pagePhysical)) {
        // The reservation's spare pages make this unlikely; without a page
        // there is nowhere to put the arguments.
        console->print(TEXT("can't get page for boot arguments.\n"));
        return kNotFound;
    }
    bootArgsPage = pageVirtual;
    uint32_t pageSize = memoryManager->getPageSize();
    std::memset(pointerAt(pageVirtual), 0, pageSize);  // unused slots read as zero
    writer.write(pointerAt(pageVirtual), pagePhysical, pageSize, loader.jumpAddr(),
                 console->kind());
    return pagePhysical;
}
