// Everything in a boot that depends on the CPU: preparing memory and caches,
// the system probe, placing the second-stage loader, the boot-argument page
// and the jump. The concrete classes are the ARM variants.
#pragma once

#include <cstdint>

#include "memory/Placement.h"
#include "platform/NotFound.h"
#include "platform/ce/CeMemory.h"
#include "platform/ce/CeTypes.h"

class BootArgumentWriter;
class BoxOwner;
class Console;
class Loader;
class MemoryManager;

class Architecture {
  public:
    Architecture(Console*& console, MemoryManager*& memoryManager);
    virtual ~Architecture();         // releases coredll.dll
    virtual bool init() = 0;         // memory manager, RAM banks, caches
    virtual void systemInfo();       // the system probe
    virtual bool setupLoader() = 0;  // second-stage loader in its page
    // Leaves Windows CE for the kernel; returns only on failure.
    virtual void jumpTo(uint32_t bootArgs, uint32_t chainHead) = 0;

    // Reserves pages for `bytes` of payload plus four spare pages, rounded
    // up to 64 KiB; false when the memory manager cannot have them.
    bool allocateMemory(uint32_t bytes);
    // Takes the boot-argument page (the last reserved page left), clears it
    // and has `writer` fill it for the loader's kernel; returns its physical
    // address, or kNotFound after a message when no page is left.
    uint32_t setupBootInfo(Loader& loader, BootArgumentWriter& writer);
    // A function of "coredll.dll" by name, or null (a box when the module
    // cannot be loaded).
    ce::FARPROC findCoreDllProc(const ce::WCHAR* name);
    ce::LockPagesProc findLockPages();
    ce::UnlockPagesProc findUnlockPages();
    // Where the second-stage loader of this CPU puts a link's destination.
    const Placement& placement() const { return placement_; }
    // The physical page holding the second-stage loader (after setupLoader).
    uint32_t loaderPage() const { return loaderPagePhys; }

  protected:
    ce::HMODULE coreDll = nullptr;
    Console*& console;
    MemoryManager*& memoryManager;
    uint32_t loaderPagePhys = 0;
    uint32_t bootArgsPage = 0;  // virtual address of the boot-argument page
    Placement placement_ = kPlaceAsIs;

  public:
    uint32_t debug = 0;  // set by the Boot object
    // Set by the Boot object: the owner of the boxes this object shows
    // ("Can't load coredll.dll."); without one they have no owner window.
    const BoxOwner* boxOwner = nullptr;
};
