#include "file/FaultReport.h"

#include <cstdarg>

#include "console/Console.h"
#include "platform/ce/CeSystem.h"
#include "platform/ce/CeText.h"

void reportFault(Console* const* console, const ce::WCHAR* format, ...) {
    ce::WCHAR line[ce::WSPRINTF_LIMIT];
    va_list args;
    va_start(args, format);
    ce::wvsprintfW(line, format, args);
    va_end(args);
    ce::OutputDebugStringW(line);
    if (console && *console)
        (*console)->print(TEXT("%s"), line);
}
