#include "boot/BootAttempt.h"

#include "arch/Architecture.h"
#include "boot/ArgumentPageWriter.h"
#include "boot/Boot.h"
#include "boot/BuildNumber.h"
#include "boot/MenuInterface.h"
#include "boot/SettingsReader.h"
#include "console/Com1.h"
#include "console/Console.h"
#include "file/FileManager.h"
#include "loader/Loader.h"
#include "memory/ChainCheck.h"
#include "memory/Destinations.h"
#include "memory/MemoryManager.h"
#include "platform/NotFound.h"
#include "platform/ProcessorFamily.h"
#include "platform/ce/CeText.h"
#include "platform/ce/CeWindow.h"

void BootAttempt::run() {
    if (!prepare() || !jump())
        fail();
}

bool BootAttempt::prepare() {
    openCom1(menu_.settings().serialSpeed);
    menu_.progress("0");
    if (!boot_.setupRequest())
        return failWith(TEXT("Architecture not supported.\n"));
    menu_.progress("1");
    if (!boot_.createComponents())
        return failWith(TEXT("Architecture ops. not found.\n"));
    announce();
    menu_.progress("2");
    if (!boot_.architecture->init())
        return failWith(TEXT("Architecture initialize failed.\n"));
    boot_.architecture->systemInfo();
    menu_.progress("3");
    if (!boot_.fileManager->setRoot(boot_.directory)) {
        return failWith(TEXT("Can't set root directory.\n"));
    }
    uint32_t imageBytes = 0;
    if (boot_.loadImage && !sizeImage(imageBytes))
        return false;
    return loadKernel(imageBytes) && loadImage() && chainIsSound();
}

void BootAttempt::announce() {
    const BootSettings& s = menu_.settings();
    boot_.console->print(TEXT("kestrel build number: %d\n"), kBuildNumber);
    boot_.console->print(TEXT("%s (cpu=0x%08x machine=0x%08x)\n"),
                         menu_.platformName(menu_.platformIndex()), s.cpuId, s.machineId);
    // A short configuration file: say which settings were not in it.
    const SettingsReader::Result& loaded = menu_.loadedRecord();
    if (loaded.accepted && loaded.firstDefault) {
        boot_.console->print(
            TEXT("kestrel.cnf holds %d of %d bytes: %S and the fields after it are defaults.\n"),
            loaded.recordBytes, BootSettings::kSize, loaded.firstDefault);
    }
}

bool BootAttempt::sizeImage(uint32_t& imageBytes) {
    FileManager* file = boot_.fileManager;
    if (!file->open(boot_.imageName, FileManager::kOpenMode)) {
        return failWith(TEXT("Can't open file system image.\n"));
    }
    uint32_t size = file->realSize();
    file->close();
    // A content that cannot be decoded to its end has no size (kNotFound);
    // rounding a size this close to 4 GiB up would wrap to nothing.
    if (size == kNotFound || size > 0xFFFFFFFF - boot_.memoryManager->getPageSize()) {
        return failWith(TEXT("Can't open file system image.\n"));
    }
    imageSize_ = size;
    imageBytes = boot_.memoryManager->roundUpPage(size);
    return true;
}

bool BootAttempt::loadKernel(uint32_t imageBytes) {
    FileManager* file = boot_.fileManager;
    menu_.progress("4");
    if (!file->open(boot_.kernelName, FileManager::kOpenMode)) {
        return failWith(TEXT("Can't open kernel image.\n"));
    }
    fileOpen_ = true;
    menu_.progress("5");
    if (!boot_.attachLoader())
        return failWith(TEXT("Can't attach loader.\n"));
    if (!boot_.loader->setFile(boot_.fileManager)) {
        return failWith(TEXT("Can't initialize loader.\n"));
    }
    menu_.progress("6");
    if (!placeKernel(imageBytes))
        return false;
    menu_.progress("7");
    if (!boot_.architecture->setupLoader())
        return failWith(TEXT("Can't set up loader.\n"));
    menu_.progress("8");
    if (!boot_.loader->load())
        return failWith(TEXT("Can't load kernel image to memory.\n"));
    menu_.progress("9");
    file->close();
    fileOpen_ = false;
    return true;
}

// The sizes and every destination are known before a byte is loaded: the
// reservation keeps its pages out of the destinations, so the walk never
// writes over what it still has to read, wherever Windows CE's pages lie.
bool BootAttempt::placeKernel(uint32_t imageBytes) {
    uint32_t kernelSize = boot_.loader->memorySize();
    uint32_t pageSize = boot_.memoryManager->getPageSize();
    uint32_t kernelBytes = boot_.memoryManager->roundUpPage(kernelSize);
    if (!boot_.loader->regionsAreDisjoint())
        return failWith(TEXT("Can't initialize loader.\n"));
    Destinations destinations;
    if (!boot_.loader->destinations(imageBytes, boot_.architecture->placement(), destinations))
        return failWith(TEXT("Can't allocate memory.\n"));
    boot_.memoryManager->avoid(destinations);
    // Sizes that do not fit 32 bits can never be reserved.
    bool fits = kernelSize <= 0xFFFFFFFF - pageSize && kernelBytes <= 0xFFFFFFFF - imageBytes;
    if (!fits || !boot_.architecture->allocateMemory(imageBytes + kernelBytes)) {
        return failWith(TEXT("Can't allocate memory.\n"));
    }
    return true;
}

bool BootAttempt::loadImage() {
    if (boot_.loadImage) {
        FileManager* file = boot_.fileManager;
        if (!file->open(boot_.imageName, FileManager::kOpenMode)) {
            return failWith(TEXT("Can't open file system image.\n"));
        }
        fileOpen_ = true;
        if (!boot_.loader->loadFileSystemImage(imageSize_)) {
            return failWith(TEXT("Can't load file system image to memory.\n"));
        }
        file->close();
        fileOpen_ = false;
    }
    boot_.loader->finishLinks();
    ArgumentPageWriter arguments(boot_.console, menu_.settings(), boot_.kernelName, boot_.imageName,
                                 boot_.boxOwner);
    bootArgs_ = boot_.architecture->setupBootInfo(*boot_.loader, arguments);
    // Without a page for them there are no boot arguments to jump with.
    if (bootArgs_ == kNotFound) {
        return failWith(TEXT("Can't allocate memory.\n"));
    }
    menu_.progress("10");
    return true;
}

// The chain is read once more as the second-stage loader will walk it; a
// walk that could not finish, or would corrupt what it copies, is refused
// before the last question rather than discovered after Windows CE is gone.
bool BootAttempt::chainIsSound() {
    ChainCheck check(*boot_.memoryManager, boot_.console, boot_.architecture->placement());
    if (!check.safe(boot_.loader->listHead(), bootArgs_, boot_.architecture->loaderPage()))
        return failWith(TEXT("Can't jump to the kernel.\n"));
    return true;
}

// The CPU family the Boot object recognised must be the processor's, when
// GetSystemInfo tells the processor: the other family's kernel and
// second-stage loader would leave Windows CE for a machine that is not there.
bool BootAttempt::processorFits() {
    uint32_t family = runningProcessorFamily();
    if (family == 0 || boot_.cpuKind == 0 || cpuInFamily(boot_.cpuKind, family))
        return true;
    ce::WCHAR platformBuffer[32], processorBuffer[32];
    ce::wsprintfW(detail_, TEXT("Platform CPU %s is not this processor (%s).\n"),
                  cpuName(menu_.settings().cpuId, platformBuffer),
                  cpuName(family, processorBuffer));
    boot_.console->print(TEXT("%s"), detail_);
    return failWith(detail_);
}

bool BootAttempt::jump() {
    if (!processorFits())
        return false;
    if (menu_.settings().pauseBeforeBoot) {
        int answer = ce::MessageBoxW(menu_.rootHandle(), TEXT("Push YES to boot."),
                                     TEXT("Last chance..."), ce::MB_YESNO | ce::MB_ICONEXCLAMATION);
        if (answer != ce::IDYES)
            return failWith(TEXT("Canceled by user.\n"));
        ce::UpdateWindow(menu_.rootHandle());
    }
    boot_.architecture->jumpTo(bootArgs_, boot_.loader->listHead());
    return failWith(TEXT("Can't jump to the kernel.\n"));
}

bool BootAttempt::failWith(const ce::WCHAR* message) {
    message_ = message;
    return false;
}

void BootAttempt::fail() {
    if (fileOpen_)
        boot_.fileManager->close();
    fileOpen_ = false;
    ce::MessageBoxW(menu_.rootHandle(), message_ ? message_ : TEXT("Unknown error?\n"),
                    TEXT("BOOT FAILED"), ce::MB_OK | ce::MB_ICONSTOP);
    menu_.unprogress();
}
