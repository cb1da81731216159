#include "arch/arm/CpuPrimitives.h"
#include "boot/Boot.h"
#include "boot/MenuInterface.h"
#include "arch/arm/ARMSerialConsole.h"
#include "console/Com1.h"
#include "console/Console.h"
#include "machine/ArmCpu.h"
#include "support/DeviceFolder.h"

namespace testing_support {

void resetSystem() {
    // The Boot object and the UART console release what they mapped while
    // the machine is still there.
    Boot::destroyInstance();
    ARMSerialConsole::destroyInstance();
    host::ArmCpu::setJumpHandler(nullptr);
    dcacheSize() = 8192;
    Console::destroy();
    MenuInterface::destroyInstance();
    forgetCom1();
}

}  // namespace testing_support
