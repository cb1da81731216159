#include "arch/arm/ARMArchitecture.h"

#include <cstring>

#include "arch/arm/CpuPrimitives.h"
#include "console/Console.h"
#include "memory/MemoryManager.h"

namespace {

constexpr uint32_t kModeMask = 0x1F;
constexpr uint32_t kSystemMode = 0x1F;

}  // namespace

ARMArchitecture::ARMArchitecture(Console*& console, MemoryManager*& memoryManager)
    : Architecture(console, memoryManager) {
    console->print(TEXT("ARM architecture.\n"));
}

ARMArchitecture::~ARMArchitecture() = default;

void ARMArchitecture::systemInfo() {
    Architecture::systemInfo();
    savedKernelMode = ce::SetKMode(ce::TRUE);
    disableInterrupts();
    if ((getCPSR() & kModeMask) != kSystemMode) {
        console->print(TEXT("can't change to System mode\n"));
    } else {
        console->print(TEXT("Reg0 :%08x\n"), readCP15ID());
        console->print(TEXT("Reg1 :%08x\n"), readCP15Control());
        console->print(TEXT("Reg2 :%08x\n"), readCP15TTB());
        console->print(TEXT("Reg3 :%08x\n"), readCP15Domain());
        console->print(TEXT("Reg5 :%08x\n"), readCP15FSR());
        console->print(TEXT("Reg6 :%08x\n"), readCP15FAR());
        console->print(TEXT("Reg13:%08x\n"), readCP15PID());
        console->print(TEXT("Reg14:%08x\n"), readCP15Reg14());
        console->print(TEXT("CPSR :%08x\n"), getCPSR());
    }
    enableInterrupts();
    ce::SetKMode(savedKernelMode);
}

bool ARMArchitecture::initVariant(const Variant& variant) {
    if (!memoryManager->init()) {
        console->print(TEXT("can't initialize memory manager.\n"));
        return false;
    }
    for (int i = 0; i < 4; ++i)
        memoryManager->addRegion(variant.regionStarts[i], variant.regionSize);
    dcacheSize() = variant.dcacheSize;
    console->print(TEXT("D-cache size = %d\n"), dcacheSize());
    return true;
}

bool ARMArchitecture::placeLoader(const uint8_t* image, uint32_t size) {
    uint32_t pageSize = memoryManager->getPageSize();
    if (size > pageSize) {
        console->print(TEXT("2nd bootloader size(%dbyte) is larger than page size(%d).\n"), size,
                       pageSize);
        return false;
    }
    uint32_t virtualAddress = 0;
    uint32_t physicalAddress = 0;
    if (!memoryManager->takeLastPage(virtualAddress, physicalAddress)) {
        console->print(TEXT("can't get page for 2nd loader.\n"));
        return false;
    }
    loaderPagePhys = physicalAddress;
    console->print(TEXT("2nd bootloader vaddr=0x%08x paddr=0x%08x\n"), virtualAddress,
                   physicalAddress);
    std::memcpy(reinterpret_cast<void*>(uintptr_t(virtualAddress)), image, size);
    console->print(TEXT("2nd bootloader copy done.\n"));
    return true;
}

uint32_t ARMArchitecture::prepareJump() {
    // The stack page is not checked: the second-stage loader sets its own
    // stack before it uses one. Without a page the stack is simply 0 + P.
    uint32_t virtualAddress = 0;
    uint32_t physicalAddress = 0;
    memoryManager->takeLastPage(virtualAddress, physicalAddress);
    uint32_t pageSize = memoryManager->getPageSize();
    uint32_t stack = physicalAddress + pageSize;
    console->print(TEXT("sp for bootloader = %08x + %08x = %08x\n"), physicalAddress, pageSize,
                   stack);
    cleanDCache();
    ce::SetKMode(ce::TRUE);
    return stack;
}
