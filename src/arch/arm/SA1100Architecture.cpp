#include "arch/arm/SA1100Architecture.h"

#include "arch/arm/CpuPrimitives.h"
#include "arch/arm/UartRegisters.h"
#include "console/Console.h"
#include "memory/MemoryManager.h"
#include "platform/Address.h"

namespace {

// The frame buffer as the test pattern takes it: a palette, then 640 x 480
// pixels of one byte.
constexpr uint32_t kFrameBufferBytes = 0x50000;
constexpr uint32_t kPaletteBytes = 512;
constexpr uint32_t kWidth = 640;
constexpr uint32_t kHeight = 480;

}  // namespace

SA1100Architecture::SA1100Architecture(Console*& console, MemoryManager*& memoryManager)
    : ARMArchitecture(console, memoryManager, ArmVariant::sa11x0()) {}

SA1100Architecture::~SA1100Architecture() = default;

void SA1100Architecture::testFrameBuffer() {
    uint32_t frameBuffer = memoryManager->readPhysicalWord(sa11x0::kLcdBase + sa11x0::kDBAR1);
    uint32_t mapped =
        memoryManager->mapPhysical(frameBuffer, kFrameBufferBytes, ce::PAGE_READWRITE);
    if (mapped == kNotFound)
        return;  // reported by mapPhysical
    uint8_t* pixels = pointerAt(mapped) + kPaletteBytes;
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
