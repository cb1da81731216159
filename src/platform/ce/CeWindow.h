// Windows, message boxes and the screen's device context.
#pragma once

#include "platform/ce/CeTypes.h"

namespace ce {

// Shows a box and returns the button pressed (IDOK, IDYES, IDNO, ...).
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT flags);
BOOL UpdateWindow(HWND window);

HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
int GetDeviceCaps(HDC dc, int index);
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

}  // namespace ce
