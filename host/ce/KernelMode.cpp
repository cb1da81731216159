// SetKMode: the application thread's privilege, which is the emulated CPU's
// mode while the thread runs (System mode in kernel mode, else User mode).
#include "machine/ArmCpu.h"
#include "platform/ce/CeMemory.h"

namespace ce {

BOOL SetKMode(BOOL kernel) {
    return host::Machine::current().component<host::ArmCpu>().setKernelMode(kernel != FALSE);
}

}  // namespace ce
