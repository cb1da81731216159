#include "boot/ARMBoot.h"

#include <new>

#include "arch/arm/ARMSerialConsole.h"
#include "arch/arm/PXA2X0Architecture.h"
#include "arch/arm/SA1100Architecture.h"
#include "boot/MenuInterface.h"
#include "console/Console.h"
#include "memory/MemoryManager_LockPages.h"
#include "platform/PlatformId.h"

namespace {

constexpr uint32_t kMethodLockPages = 1;
constexpr uint32_t kPageSize = 4096;
constexpr uint32_t kFrameShift = 0;

struct CpuRow {
    PlatformId pattern;
    uint32_t kind;
};

// The CPU rows of the platform table, in the order they are tried.
const CpuRow kCpuRows[] = {
    {{kCpuSA1100, 0}, kCpuSA1100},  // ARM STRONGARM SA1100
    {{kCpuSA1110, 0}, kCpuSA1100},  // ARM STRONGARM SA1110
    {{kCpuPXA250, 0}, kCpuPXA250},  // ARM XSCALE PXA250
    {{kCpuPXA270, 0}, kCpuPXA270},  // ARM XSCALE PXA270
};

}  // namespace

ARMBoot::ARMBoot() = default;

ARMBoot::~ARMBoot() {
    // The UART console goes first: its destructor releases its register
    // mapping through the memory manager, which must still exist then.
    ARMSerialConsole::destroyInstance();
}

bool ARMBoot::setupRequest() {
    const BootSettings& s = MenuInterface::instance()->settings();
    PlatformId probe{s.cpuId, s.machineId};
    cpuKind = 0;
    for (const CpuRow& row : kCpuRows) {
        if (platformMatch(probe, row.pattern)) {
            cpuKind = row.kind;
            break;
        }
    }
    if (cpuKind == 0)
        return false;
    memoryMethod = kMethodLockPages;
    return Boot::setupRequest();
}

bool ARMBoot::createComponents() {
    // An earlier attempt's components (and the pages they hold) are released
    // before this attempt builds its own.
    releaseComponents();
    if (!createArchitecture() || !createMemoryManager())
        return false;
    chooseConsole();
    return Boot::createComponents();
}

bool ARMBoot::createArchitecture() {
    if (cpuKind == kCpuSA1100) {
        architecture = new (std::nothrow) SA1100Architecture(console, memoryManager);
    } else if (cpuKind == kCpuPXA250 || cpuKind == kCpuPXA270) {
        architecture = new (std::nothrow) PXA2X0Architecture(console, memoryManager);
    } else {
        console->print(TEXT("Unsupported architecture.\n"));
        return false;
    }
    if (!architecture)
        return false;
    architecture->debug = architectureDebug;
    architecture->boxOwner = boxOwner;
    return true;
}

bool ARMBoot::createMemoryManager() {
    ce::LockPagesProc lockPages = architecture->findLockPages();
    ce::UnlockPagesProc unlockPages = architecture->findUnlockPages();
    if (!lockPages || !unlockPages) {
        console->print(TEXT("couldn't find LockPages/UnlockPages.\n"));
        return false;
    }
    if (memoryMethod != kMethodLockPages) {
        console->print(TEXT("unsupported memory address detection method.\n"));
        return false;
    }
    memoryManager = new (std::nothrow)
        MemoryManager_LockPages(lockPages, unlockPages, console, kPageSize, kFrameShift);
    if (!memoryManager)
        return false;
    memoryManager->debug = memoryManagerDebug;
    return true;
}

void ARMBoot::chooseConsole() {
    if (consoleKind == 1) {
        ARMSerialConsole* serial = ARMSerialConsole::instance(memoryManager, cpuKind, serialSpeed);
        console = serial;
        if (serial && serial->init())
            return;
        console = Console::instance();
        console->print(TEXT("use LCD console instead.\n"));
        return;
    }
    console = Console::instance();
}
