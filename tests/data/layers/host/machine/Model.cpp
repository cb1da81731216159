// The simulated handheld calling the system.
#include "boot/Settings.h"
#include "file/Reader.h"
