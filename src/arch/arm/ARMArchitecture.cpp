#include "arch/arm/ARMArchitecture.h"

#include <cstring>

#include "arch/arm/CpuPrimitives.h"
#include "arch/arm/UartRegisters.h"
#include "console/Console.h"
#include "memory/MemoryManager.h"
#include "platform/Address.h"

namespace {

constexpr uint32_t kModeMask = 0x1F;
constexpr uint32_t kSystemMode = 0x1F;
constexpr char kGreeting[] = "Hello World\n";  // the UART's line end is added on the way

}  // namespace

ARMArchitecture::ARMArchitecture(Console*& console, MemoryManager*& memoryManager,
                                 const ArmVariant& variant)
    : Architecture(console, memoryManager), variant_(variant) {
    placement_ = variant.placement;
    console->print(TEXT("ARM architecture.\n"));
    console->print(variant.greeting);
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

bool ARMArchitecture::init() {
    if (!memoryManager->init()) {
        console->print(TEXT("can't initialize memory manager.\n"));
        return false;
    }
    for (uint32_t start : variant_.regionStarts)
        memoryManager->addRegion(start, variant_.regionSize);
    dcacheSize() = variant_.dcacheSize;
    console->print(TEXT("D-cache size = %d\n"), dcacheSize());
    return true;
}

bool ARMArchitecture::setupLoader() {
    const uint8_t* image = variant_.loaderImage;
    uint32_t size = variant_.loaderSize;
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
    std::memcpy(pointerAt<void>(virtualAddress), image, size);
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
    cleanDataCache();
    ce::SetKMode(ce::TRUE);
    return stack;
}

void ARMArchitecture::jumpTo(uint32_t bootArgs, uint32_t chainHead) {
    uint32_t stack = prepareJump();
    variant_.flatJump(bootArgs, chainHead, stack, loaderPagePhys);
    if (variant_.returnMessage) {
        ce::SetKMode(ce::FALSE);
        console->print(variant_.returnMessage);
    }
}

void ARMArchitecture::testSerialPort() {
    const Uart& uart = variant_.uart;
    uint32_t window = memoryManager->mapPhysical(uart.base(), kUartWindowSize, ce::PAGE_READWRITE);
    if (window == kNotFound)
        return;  // reported by mapPhysical
    Uart::writeText(kGreeting, sizeof kGreeting, [&](uint8_t c) { uart.put(window, c); });
    memoryManager->unmapPhysical(window);
}
