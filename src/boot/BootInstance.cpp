// The process-wide Boot object. On these handhelds it is an ARMBoot.
#include "boot/ARMBoot.h"
#include "boot/BootSequence.h"
#include "boot/MenuInterface.h"

namespace {

Boot*& holder() {
    static Boot* boot = nullptr;
    return boot;
}

}  // namespace

Boot* Boot::instance() {
    if (!holder()) {
        MenuInterface::instance()->setBootHook(&bootProcedure, 0);
        holder() = new ARMBoot();
    }
    return holder();
}

void Boot::destroyInstance() {
    delete holder();
    holder() = nullptr;
}
