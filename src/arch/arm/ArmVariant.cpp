#include "arch/arm/ArmVariant.h"

#include "arch/arm/CpuPrimitives.h"
#include "arch/arm/SecondStageImages.h"
#include "platform/PlatformId.h"

namespace {

const ArmVariant kSa11x0{
    TEXT("SA-11x0 CPU.\n"),
    {0xC0000000, 0xC8000000, 0xD0000000, 0xD8000000},
    0x08000000,
    8192,
    kPlaceAsIs,
    kSecondStageSa11x0,
    kSecondStageSa11x0Size,
    &FlatJump_sa11x0,
    nullptr,
    Uart(Uart::Model::Sa11x0Serial3),
};

// The data cache is 32 KiB; cleaning it reads 64 KiB. The second-stage
// loader puts every link into the first 16 MiB of SDRAM.
const ArmVariant kPxa2x0{
    TEXT("PXA-2x0 CPU.\n"),
    {0xA0000000, 0xA4000000, 0xA8000000, 0xAC000000},
    0x04000000,
    65536,
    Placement{0x00FFFFFF, 0xA0000000},
    kSecondStagePxa2x0,
    kSecondStagePxa2x0Size,
    &FlatJump_pxa2x0,
    TEXT("Return from FlatJump_pxa2x0.\n"),
    Uart(Uart::Model::Pxa2x0Ffuart),
};

}  // namespace

const ArmVariant& ArmVariant::sa11x0() {
    return kSa11x0;
}

const ArmVariant& ArmVariant::pxa2x0() {
    return kPxa2x0;
}

const ArmVariant* ArmVariant::forCpu(uint32_t cpuKind) {
    switch (cpuKind) {
        case kCpuSA1100:
            return &kSa11x0;
        case kCpuPXA250:
        case kCpuPXA270:
            return &kPxa2x0;
        default:
            return nullptr;
    }
}
