#include "boot/MenuInterface.h"
#include "console/Com1.h"
#include "console/Console.h"
#include "support/DeviceFolder.h"

namespace testing_support {

void resetSystem() {
    Console::destroy();
    MenuInterface::destroyInstance();
    forgetCom1();
}

}  // namespace testing_support
