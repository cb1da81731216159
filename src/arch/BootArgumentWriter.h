// The contents of the boot-argument page. The architecture takes the page
// and clears it; the boot layer, which knows the settings and the request,
// writes the kernel's arguments and boot information into it.
#pragma once

#include <cstdint>

class BootArgumentWriter {
  public:
    // `page`: the cleared page at this process's address, `physical` its
    // physical address, `size` its bytes; `entry`: the kernel's entry point;
    // `consoleKind`: the kind of console the boot prints through.
    virtual void write(uint8_t* page, uint32_t physical, uint32_t size, uint32_t entry,
                       int16_t consoleKind) = 0;

  protected:
    ~BootArgumentWriter() = default;  // writers live on their callers' stacks
};
