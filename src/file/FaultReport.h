// Why a read of the disk failed. The device layer and the UFS reader print
// their progress only on the platform's debug output; a failure also goes to
// the console, so that the user sees the reason next to the step that failed.
#pragma once

#include "platform/ce/CeTypes.h"

class Console;

// Formats the line (wide printf-style format), writes it to the debug output
// and, when `console` holds a console, prints it there too.
void reportFault(Console* const* console, const ce::WCHAR* format, ...);
