#include "arch/arm/PXA2X0Architecture.h"

#include <cstring>

#include "arch/arm/CpuPrimitives.h"
#include "arch/arm/SecondStageImages.h"
#include "arch/arm/UartRegisters.h"
#include "console/Console.h"
#include "memory/MemoryManager.h"
#include "platform/ce/CeFile.h"
#include "platform/ce/CeRegisters.h"

namespace {

const uint32_t kRegions[4] = {0xA0000000, 0xA4000000, 0xA8000000, 0xAC000000};
constexpr uint32_t kRegionSize = 0x04000000;
constexpr uint32_t kDCacheSize = 65536;
// The second-stage loader puts every link into the first 16 MiB of SDRAM.
constexpr Placement kPlacement{0x00FFFFFF, 0xA0000000};
constexpr uint32_t kDumpPage = 4096;

constexpr char kGreeting[] = "Hello World\r\n";

void waitForRoom(uint32_t uart) {
    while (!(ce::read8(uart + pxa2x0::kLSR) & pxa2x0::kLSR_TDRQ)) {
    }
}

}  // namespace

PXA2X0Architecture::PXA2X0Architecture(Console*& console, MemoryManager*& memoryManager)
    : ARMArchitecture(console, memoryManager) {
    placement_ = kPlacement;
    console->print(TEXT("PXA-2x0 CPU.\n"));
}

PXA2X0Architecture::~PXA2X0Architecture() = default;

bool PXA2X0Architecture::init() {
    return initVariant(Variant{kRegions, kRegionSize, kDCacheSize});
}

bool PXA2X0Architecture::setupLoader() {
    return placeLoader(kSecondStagePxa2x0, kSecondStagePxa2x0Size);
}

void PXA2X0Architecture::jumpTo(uint32_t bootArgs, uint32_t chainHead) {
    uint32_t stack = prepareJump();
    FlatJump_pxa2x0(bootArgs, chainHead, stack, loaderPagePhys);
    ce::SetKMode(ce::FALSE);
    console->print(TEXT("Return from FlatJump_pxa2x0.\n"));
}

void PXA2X0Architecture::testFrameBuffer() {
    console->print(TEXT("No framebuffer test yet.\n"));
}

void PXA2X0Architecture::testSerialPort() {
    uint32_t uart =
        memoryManager->mapPhysical(pxa2x0::kFfuartBase, kUartWindowSize, ce::PAGE_READWRITE);
    if (uart == MemoryManager::kNotFound)
        return;  // reported by mapPhysical
    for (const char* p = kGreeting; *p; ++p) {
        waitForRoom(uart);
        ce::write8(uart + pxa2x0::kTHR, uint8_t(*p));
        waitForRoom(uart);
        ce::read8(uart + pxa2x0::kIIR);
    }
    memoryManager->unmapPhysical(uart);
}

void PXA2X0Architecture::dumpROM(uint32_t bytes) {
    const ce::WCHAR* name = TEXT("rom.bin");
    ce::HANDLE file = ce::CreateFileW(name, ce::GENERIC_WRITE, ce::FILE_SHARE_READ, nullptr,
                                      ce::OPEN_ALWAYS, ce::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == ce::INVALID_HANDLE_VALUE) {
        console->print(TEXT("can't open file. (%s)\n"), name);
        return;
    }
    uint8_t buffer[kDumpPage];
    for (uint32_t a = 0; a < bytes; a += kDumpPage) {
        std::memset(buffer, 0, sizeof buffer);
        uint32_t page = memoryManager->mapPhysical(a, kDumpPage, ce::PAGE_READWRITE);
        if (page == MemoryManager::kNotFound)
            break;  // reported by mapPhysical
        const uint8_t* from = reinterpret_cast<const uint8_t*>(uintptr_t(page));
        for (uint32_t i = 0; i < kDumpPage; ++i)
            buffer[i] = from[i];
        memoryManager->unmapPhysical(page);
        ce::DWORD written = 0;
        ce::WriteFile(file, buffer, kDumpPage, &written, nullptr);
        if (a + kDumpPage < a)
            break;  // the last page of the address space
    }
    ce::CloseHandle(file);
}
