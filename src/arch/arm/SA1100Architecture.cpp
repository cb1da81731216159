#include "arch/arm/SA1100Architecture.h"

#include "arch/arm/CpuPrimitives.h"
#include "arch/arm/SecondStageImages.h"
#include "arch/arm/UartRegisters.h"
#include "console/Console.h"
#include "memory/MemoryManager.h"
#include "platform/ce/CeRegisters.h"

namespace {

const uint32_t kRegions[4] = {0xC0000000, 0xC8000000, 0xD0000000, 0xD8000000};
constexpr uint32_t kRegionSize = 0x08000000;
constexpr uint32_t kDCacheSize = 8192;

// The frame buffer as the test pattern takes it: a palette, then 640 x 480
// pixels of one byte.
constexpr uint32_t kFrameBufferBytes = 0x50000;
constexpr uint32_t kPaletteBytes = 512;
constexpr uint32_t kWidth = 640;
constexpr uint32_t kHeight = 480;

constexpr char kGreeting[] = "Hello World\r\n";

}  // namespace

SA1100Architecture::SA1100Architecture(Console*& console, MemoryManager*& memoryManager)
    : ARMArchitecture(console, memoryManager) {
    console->print(TEXT("SA-11x0 CPU.\n"));
}

SA1100Architecture::~SA1100Architecture() = default;

bool SA1100Architecture::init() {
    return initVariant(Variant{kRegions, kRegionSize, kDCacheSize});
}

bool SA1100Architecture::setupLoader() {
    return placeLoader(kSecondStageSa11x0, kSecondStageSa11x0Size);
}

void SA1100Architecture::jumpTo(uint32_t bootArgs, uint32_t chainHead) {
    uint32_t stack = prepareJump();
    FlatJump_sa11x0(bootArgs, chainHead, stack, loaderPagePhys);
}

void SA1100Architecture::testFrameBuffer() {
    uint32_t frameBuffer = memoryManager->readPhysicalWord(sa11x0::kLcdBase + sa11x0::kDBAR1);
    uint32_t mapped =
        memoryManager->mapPhysical(frameBuffer, kFrameBufferBytes, ce::PAGE_READWRITE);
    if (mapped == MemoryManager::kNotFound)
        return;  // reported by mapPhysical
    uint8_t* pixels = reinterpret_cast<uint8_t*>(uintptr_t(mapped)) + kPaletteBytes;
    disableInterrupts();
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x)
            pixels[y * kWidth + x] = uint8_t(x * y);
    }
    for (uint32_t y = 120; y < 360; ++y) {
        for (uint32_t x = 120; x < 520; ++x)
            pixels[y * kWidth + x] = 3;
    }
    enableInterrupts();
    memoryManager->unmapPhysical(mapped);
}

void SA1100Architecture::testSerialPort() {
    uint32_t uart =
        memoryManager->mapPhysical(sa11x0::kSerial3Base, kUartWindowSize, ce::PAGE_READWRITE);
    if (uart == MemoryManager::kNotFound)
        return;  // reported by mapPhysical
    for (const char* p = kGreeting; *p; ++p) {
        while (ce::read32(uart + sa11x0::kUTSR1) & sa11x0::kUTSR1_TBY) {
        }
        ce::write32(uart + sa11x0::kUTDR, uint8_t(*p));
    }
    memoryManager->unmapPhysical(uart);
}
