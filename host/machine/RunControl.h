// How one run of the simulated handheld ends. The host program says how
// long the kernel may run; the CPU model says when the kernel was entered
// and when it has finished (halted, or its budget spent).
#pragma once

#include <cstdint>
#include <functional>

#include "machine/Machine.h"

namespace host {

class RunControl : public MachineComponent {
  public:
    explicit RunControl(Machine&) {}
    static RunControl& current() { return Machine::current().component<RunControl>(); }

    // Instructions the kernel may run after the jump; 0 leaves it to the CPU
    // model's own default.
    uint64_t budget = 0;

    // The CPU model calls this when the kernel gets control.
    void enterKernel() { kernelEntered_ = true; }
    bool kernelEntered() const { return kernelEntered_; }

    // The CPU model calls this when the kernel has halted or spent its
    // budget: a successful boot never returns to the application, so the
    // host program ends the run here (it sets onKernelFinished). Without a
    // handler it returns.
    void kernelFinished() {
        if (onKernelFinished)
            onKernelFinished();
    }
    std::function<void()> onKernelFinished;

  private:
    bool kernelEntered_ = false;
};

}  // namespace host
