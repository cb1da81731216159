#include "boot/Boot.h"

#include <new>

#include "arch/Architecture.h"
#include "boot/MenuInterface.h"
#include "console/Console.h"
#include "file/FileManager.h"
#include "loader/CoffLoader.h"
#include "loader/ElfLoader.h"
#include "loader/Loader.h"
#include "memory/MemoryManager.h"
#include "platform/ce/CeText.h"

namespace {

enum FileFormat { kUnknownFormat = 0, kElfFormat = 1, kCoffFormat = 2 };

}  // namespace

Boot::Boot() : console(Console::instance()) {}

Boot::~Boot() {
    releaseComponents();
}

void Boot::releaseComponents() {
    delete loader;
    loader = nullptr;
    delete fileManager;
    fileManager = nullptr;
    delete memoryManager;
    memoryManager = nullptr;
    delete architecture;
    architecture = nullptr;
}

bool Boot::setupRequest() {
    MenuInterface* menu = MenuInterface::instance();
    const BootSettings& s = menu->settings();
    consoleKind = s.serialConsole ? 1 : 0;
    serialSpeed = s.serialSpeed;
    safetyMessage = s.safetyMessage != 0;
    boxOwner = menu;
    fileKind = FileManager::kindFor(s.directory);
    ce::wcsncpy(directory, s.directory, ce::MAX_PATH - 1);
    ce::wcsncpy(kernelName, s.kernelName, ce::MAX_PATH - 1);
    loadImage = s.rootDevice == kRootMd ? 1 : 0;
    if (loadImage)
        ce::wcsncpy(imageName, s.imageName, ce::MAX_PATH - 1);
    architectureDebug = memoryManagerDebug = fileManagerDebug = 0;
    return true;
}

bool Boot::createComponents() {
    Console::changeConsole(console);
    fileManager = FileManager::create(console, fileKind);
    if (!fileManager)
        return false;
    fileManager->debugLevel = int32_t(fileManagerDebug);
    return true;
}

bool Boot::attachLoader() {
    switch (fileFormat(fileManager)) {
        case kElfFormat:
            loader = new (std::nothrow) ElfLoader(console, memoryManager);
            break;
        case kCoffFormat:
            loader = new (std::nothrow) CoffLoader(console, memoryManager);
            break;
        default:
            console->print(TEXT("unknown file format.\n"));
            return false;
    }
    if (!loader)
        return false;
    loader->boxOwner = boxOwner;
    loader->safetyMessage = safetyMessage;
    return true;
}
