// Writes the boot-argument page from the settings and the Boot object's
// request: the kernel's argument vector (its name as the request has it),
// the BootInfo record and the entry point, then reports the frame buffer
// and the console the kernel is told about.
#pragma once

#include <cstdint>

#include "arch/BootArgumentWriter.h"
#include "platform/ce/CeTypes.h"

class BoxOwner;
class Console;
struct BootSettings;

class ArgumentPageWriter : public BootArgumentWriter {
  public:
    // `kernelName`, `imageName`: the request's copies, which the kernel is
    // told; `boxes`: the owner of the warnings about extra options.
    ArgumentPageWriter(Console*& console, const BootSettings& settings, const ce::WCHAR* kernelName,
                       const ce::WCHAR* imageName, const BoxOwner* boxes);

    void write(uint8_t* page, uint32_t physical, uint32_t size, uint32_t entry,
               int16_t consoleKind) override;

  private:
    Console*& console_;
    const BootSettings& settings_;
    const ce::WCHAR* kernelName_;
    const ce::WCHAR* imageName_;
    const BoxOwner* boxes_;
};
