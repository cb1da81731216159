// The system's CPU primitives on the simulated handheld: each call runs the
// assembled routine (src/arch/arm/*.S) in the emulated CPU as the
// application thread.
#include "arch/arm/CpuPrimitives.h"

#include "machine/ArmCpu.h"

namespace {

host::ArmCpu& cpu() {
    return host::Machine::current().component<host::ArmCpu>();
}

}  // namespace

void disableInterrupts() {
    cpu().call("disableInterrupts");
}
void enableInterrupts() {
    cpu().call("enableInterrupts");
}
uint32_t getCPSR() {
    return cpu().call("getCPSR");
}
uint32_t readCP15ID() {
    return cpu().call("readCP15ID");
}
uint32_t readCP15Control() {
    return cpu().call("readCP15Control");
}
uint32_t readCP15TTB() {
    return cpu().call("readCP15TTB");
}
uint32_t readCP15Domain() {
    return cpu().call("readCP15Domain");
}
void writeCP15Domain(uint32_t value) {
    cpu().call("writeCP15Domain", value);
}
uint32_t readCP15FSR() {
    return cpu().call("readCP15FSR");
}
uint32_t readCP15FAR() {
    return cpu().call("readCP15FAR");
}
uint32_t readCP15PID() {
    return cpu().call("readCP15PID");
}
uint32_t readCP15Reg14() {
    return cpu().call("readCP15Reg14");
}

void cleanDCache(uint32_t bytes) {
    cpu().call("cleanDCache", bytes);
}

void FlatJump_sa11x0(uint32_t bootArgs, uint32_t chainHead, uint32_t stack, uint32_t loaderPage) {
    cpu().jump("FlatJump_sa11x0", bootArgs, chainHead, stack, loaderPage);
}

void FlatJump_pxa2x0(uint32_t bootArgs, uint32_t chainHead, uint32_t stack, uint32_t loaderPage) {
    cpu().jump("FlatJump_pxa2x0", bootArgs, chainHead, stack, loaderPage);
}
