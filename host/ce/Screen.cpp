// The screen's device context: size, depth and dots per inch of the profile.
#include "machine/Machine.h"
#include "platform/ce/CeWindow.h"

namespace ce {

HDC GetDC(HWND) {
    return reinterpret_cast<HDC>(uintptr_t(0x5C000001));
}

int ReleaseDC(HWND, HDC) {
    return 1;
}

int GetDeviceCaps(HDC, int index) {
    const host::MachineProfile& p = host::Machine::current().profile();
    switch (index) {
        case HORZRES:
            return p.screenWidth;
        case VERTRES:
            return p.screenHeight;
        case BITSPIXEL:
            return p.screenDepth;
        case LOGPIXELSX:
            return p.dpiX;
        case LOGPIXELSY:
            return p.dpiY;
        default:
            return 0;
    }
}

}  // namespace ce
