// Device registers through a mapped register window (a VirtualCopy of the
// device's physical range): the one way drivers here touch hardware.
// `address` is the virtual address of the register inside the window.
#pragma once

#include "platform/ce/CeTypes.h"

namespace ce {

BYTE read8(DWORD address);
void write8(DWORD address, BYTE value);
DWORD read32(DWORD address);
void write32(DWORD address, DWORD value);

}  // namespace ce
