// The owner of one boot attempt: the request copied from the settings and the
// five components that carry it out, and the choice of their classes.
#pragma once

#include <cstdint>

#include "platform/ce/CeTypes.h"

class Architecture;
class BoxOwner;
class Console;
class FileManager;
class Loader;
class MemoryManager;

class Boot {
  public:
    // The process-wide Boot object; the first call registers the boot
    // procedure as MenuInterface's boot hook and creates the object.
    static Boot* instance();
    // At exit: destroys the object and its components.
    static void destroyInstance();

    virtual ~Boot();  // releases the components
    // Installs the console and creates the file manager; a subclass releases an
    // earlier attempt's components before it creates its own and calls this.
    virtual bool createComponents();
    virtual bool setupRequest();  // copies the request from the settings
    // With the kernel file open: a loader for its format; false when none.
    bool attachLoader();

    uint32_t cpuKind = 0;
    uint32_t architectureDebug = 0;
    uint32_t consoleKind = 0;   // 1: a serial console is wanted
    uint32_t memoryMethod = 0;  // 1: LockPages
    uint32_t memoryManagerDebug = 0;
    uint32_t fileKind = 0;  // FileManager::Kind
    uint32_t fileManagerDebug = 0;
    ce::WCHAR directory[ce::MAX_PATH] = {};
    ce::WCHAR kernelName[ce::MAX_PATH] = {};
    uint32_t loadImage = 0;
    ce::WCHAR imageName[ce::MAX_PATH] = {};
    // What the components need of the settings and the user interface,
    // copied here so that they never look for either themselves.
    uint32_t serialSpeed = 0;
    bool safetyMessage = false;
    const BoxOwner* boxOwner = nullptr;
    Console* console;
    // Owned by this object and released only by releaseComponents(). They
    // stay plain pointers because the components hold references to these
    // very members, so that each sees the current attempt's neighbours.
    Architecture* architecture = nullptr;
    MemoryManager* memoryManager = nullptr;
    FileManager* fileManager = nullptr;
    Loader* loader = nullptr;

  protected:
    Boot();
    // Destroys the loader, the file manager, the memory manager and the
    // architecture (in that order) and clears the members: at exit, and
    // before an attempt creates its own components.
    void releaseComponents();
};
