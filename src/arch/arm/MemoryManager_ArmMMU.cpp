#include "arch/arm/MemoryManager_ArmMMU.h"

#include <cstring>

#include "arch/arm/CpuPrimitives.h"
#include "console/Console.h"
#include "platform/Address.h"
#include "platform/ce/CeMemory.h"

namespace {

constexpr uint32_t kModeMask = 0x1F;
constexpr uint32_t kSystemMode = 0x1F;
constexpr uint32_t kAllDomainsManager = 0xFFFFFFFF;
constexpr uint32_t kTableBaseMask = 0xFFFFC000;
// The process identifier relocates only the lowest 32 MiB (the process's
// slot 0 view); higher addresses are the same for every process.
constexpr uint32_t kRelocatedLimit = 0x02000000;
constexpr uint8_t kFillByte = 0xA5;

enum Descriptor : uint32_t { kFault = 0, kCoarse = 1, kSection = 2, kLarge = 1, kSmall = 2 };

}  // namespace

MemoryManager_ArmMMU::MemoryManager_ArmMMU(Console*& console, uint32_t pageSize)
    : MemoryManager(console, pageSize) {
    console->print(TEXT("Use ARM software MMU.\n"));
}

MemoryManager_ArmMMU::~MemoryManager_ArmMMU() {
    if (kernelModeTaken)
        ce::SetKMode(savedKernelMode);
}

bool MemoryManager_ArmMMU::init() {
    savedKernelMode = ce::SetKMode(ce::TRUE);
    kernelModeTaken = true;
    if ((getCPSR() & kModeMask) != kSystemMode) {
        console->print(TEXT("not System mode\n"));
        return false;
    }
    writeCP15Domain(kAllDomainsManager);
    uint32_t ttb = readCP15TTB();
    pageDirectory = ttb & kTableBaseMask;
    console->print(TEXT("page directory address=0x%08x->0x%08x(0x%08x)\n"), pageDirectory,
                   readPhysicalWord(pageDirectory), ttb);
    return true;
}

uint32_t MemoryManager_ArmMMU::getPhysicalAddress(uint32_t virtualAddress) {
    uint32_t result = kNotFound;
    // The page that holds the address, whatever offset the caller gives.
    std::memset(pointerAt<void>(alignDownPage(virtualAddress)), kFillByte, pageSize);
    console->print(TEXT("Virtual Address 0x%08x"), virtualAddress);
    // Only addresses in the relocated range take the process identifier, as
    // the MMU itself does; ORing it into a higher address would walk the
    // wrong table entry.
    uint32_t mva = virtualAddress;
    if (virtualAddress < kRelocatedLimit)
        mva |= readCP15PID();
    console->print(TEXT("(+PID)-> 0x%08x\n"), mva);
    uint32_t l1Address = pageDirectory | ((mva & 0xFFF00000) >> 18);
    uint32_t l1 = readPhysicalWord(l1Address);
    console->print(TEXT("1st level descriptor 0x%08x(addr 0x%08x)\n"), l1, l1Address);
    switch (l1 & 3) {
        case kSection:
            result = (l1 & 0xFFF00000) | (mva & 0x000FFFFF);
            console->print(TEXT("section Physical Address 0x%08x\n"), result);
            break;
        case kCoarse: {
            console->print(TEXT("-> Level2 page descriptor.\n"));
            uint32_t l2Address = (l1 & 0xFFFFFC00) | ((mva >> 10) & 0x3FC);
            uint32_t l2 = readPhysicalWord(l2Address);
            console->print(TEXT("2nd level descriptor 0x%08x(addr 0x%08x)\n"), l2, l2Address);
            if ((l2 & 3) == kLarge) {
                result = (l2 & 0xFFFF0000) | (mva & 0x0000FFFF);
            } else if ((l2 & 3) == kSmall) {
                result = (l2 & 0xFFFFF000) | (mva & 0x00000FFF);
            } else {
                console->print(TEXT("2nd level descriptor fault.\n"));
            }
            break;
        }
        default:  // a fault, or a fine page table
            console->print(TEXT("1st level descriptor fault.\n"));
            break;
    }
    return result;
}
