// COM1 through the platform's serial driver: opened once per run at the
// settings' speed, greeted with the banner, shared and never closed.
#pragma once

#include <cstdint>

#include "platform/ce/CeTypes.h"

// The shared COM1 handle; the first successful call opens the port, sets its
// speed to `baudRate` (the settings' serialSpeed) and writes the 28-byte
// banner. INVALID_HANDLE_VALUE
// when the port cannot be opened or set up (nothing is kept then).
ce::HANDLE openCom1(uint32_t baudRate);
// Forgets the shared handle, as a new run of the system starts without one.
void forgetCom1();
