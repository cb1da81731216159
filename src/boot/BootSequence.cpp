#include "boot/BootSequence.h"

#include "boot/Boot.h"
#include "boot/BootAttempt.h"
#include "boot/MenuInterface.h"

void runBootSequence(Boot& boot) {
    BootAttempt(boot, *MenuInterface::instance()).run();
}

void bootProcedure(uint32_t) {
    runBootSequence(*Boot::instance());
}
