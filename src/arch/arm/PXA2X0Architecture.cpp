#include "arch/arm/PXA2X0Architecture.h"

#include <cstring>

#include "console/Console.h"
#include "memory/MemoryManager.h"
#include "platform/Address.h"
#include "platform/ce/CeFile.h"

namespace {

constexpr uint32_t kDumpPage = 4096;

}  // namespace

PXA2X0Architecture::PXA2X0Architecture(Console*& console, MemoryManager*& memoryManager)
    : ARMArchitecture(console, memoryManager, ArmVariant::pxa2x0()) {}

PXA2X0Architecture::~PXA2X0Architecture() = default;

void PXA2X0Architecture::testFrameBuffer() {
    console->print(TEXT("No framebuffer test yet.\n"));
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
        if (page == kNotFound)
            break;  // reported by mapPhysical
        const uint8_t* from = pointerAt<const uint8_t>(page);
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
