// Reaches up: the console must not know the boot layer.
#include "boot/Settings.h"
