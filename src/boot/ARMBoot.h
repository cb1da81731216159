// The Boot object of ARM handhelds: recognises the CPU family, creates the
// SA-11x0 or PXA-2x0 architecture, the LockPages memory manager and, when
// asked for, the UART console.
#pragma once

#include "boot/Boot.h"

class ARMBoot : public Boot {
  public:
    ARMBoot();
    // The UART console, then the base part's components.
    ~ARMBoot() override;
    // Releases an earlier attempt's components, then: architecture, memory manager and console,
    // then the base work. False after "Unsupported architecture.", "couldn't find
    // LockPages/UnlockPages." or "unsupported memory address detection
    // method.". An unusable UART console is not a failure: the process-wide
    // console takes its place after "use LCD console instead.".
    bool createComponents() override;
    // The CPU kind from the settings' platform (false, silently,
    // when it is none of the supported families), memory method 1, then the
    // base work.
    bool setupRequest() override;

  private:
    bool createArchitecture();
    bool createMemoryManager();
    void chooseConsole();
};
