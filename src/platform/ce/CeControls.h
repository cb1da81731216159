// The common controls: command bar, tab control, image list, progress bar
// and up-down control.
#pragma once

#include "platform/ce/CeWindow.h"

namespace ce {

struct IMAGELIST__;
using HIMAGELIST = IMAGELIST__*;

void InitCommonControls();

// Class names.
inline constexpr const WCHAR* PROGRESS_CLASSW = u"msctls_progress32";
inline constexpr const WCHAR* WC_TABCONTROLW = u"SysTabControl32";
inline constexpr const WCHAR* UPDOWN_CLASSW = u"msctls_updown32";
inline constexpr const WCHAR* COMMANDBAR_CLASSW = u"CommandBar";

// Progress bar.
constexpr DWORD PBS_SMOOTH = 0x01;
constexpr UINT PBM_SETRANGE = WM_USER + 1;
constexpr UINT PBM_SETPOS = WM_USER + 2;
constexpr UINT PBM_DELTAPOS = WM_USER + 3;
constexpr UINT PBM_SETSTEP = WM_USER + 4;
constexpr UINT PBM_STEPIT = WM_USER + 5;
constexpr UINT PBM_GETPOS = WM_USER + 8;

// Tab control.
constexpr DWORD TCS_VERTICAL = 0x0080;
constexpr DWORD TCS_MULTILINE = 0x0200;
constexpr UINT TCM_FIRST = 0x1300;
constexpr UINT TCM_SETIMAGELIST = TCM_FIRST + 3;
constexpr UINT TCM_GETITEMCOUNT = TCM_FIRST + 4;
constexpr UINT TCM_GETITEMRECT = TCM_FIRST + 10;
constexpr UINT TCM_GETCURSEL = TCM_FIRST + 11;
constexpr UINT TCM_SETCURSEL = TCM_FIRST + 12;
constexpr UINT TCM_ADJUSTRECT = TCM_FIRST + 40;
constexpr UINT TCM_SETPADDING = TCM_FIRST + 43;
constexpr UINT TCM_GETITEMW = TCM_FIRST + 60;
constexpr UINT TCM_SETITEMW = TCM_FIRST + 61;
constexpr UINT TCM_INSERTITEMW = TCM_FIRST + 62;
constexpr UINT TCIF_TEXT = 0x0001;
constexpr UINT TCIF_IMAGE = 0x0002;
constexpr UINT TCIF_PARAM = 0x0008;
constexpr UINT TCN_KEYDOWN = UINT(-550);
constexpr UINT TCN_SELCHANGE = UINT(-551);
constexpr UINT TCN_SELCHANGING = UINT(-552);

struct TCITEMW {
    UINT mask;
    DWORD dwState;
    DWORD dwStateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
};

struct NMTCKEYDOWN {
    NMHDR hdr;
    WORD wVKey;
    UINT flags;
};

// Up-down control.
constexpr DWORD UDS_SETBUDDYINT = 0x0002;
constexpr DWORD UDS_ALIGNRIGHT = 0x0004;
constexpr UINT UDM_SETRANGE = WM_USER + 101;
constexpr UINT UDM_GETRANGE = WM_USER + 102;
constexpr UINT UDM_SETPOS = WM_USER + 103;
constexpr UINT UDM_GETPOS = WM_USER + 104;
constexpr UINT UDM_SETBUDDY = WM_USER + 105;
constexpr UINT UDM_GETBUDDY = WM_USER + 106;
HWND CreateUpDownControl(DWORD style, int x, int y, int width, int height, HWND parent, int id,
                         HINSTANCE instance, HWND buddy, int upper, int lower, int position);

// Command bar: the strip at the top of the window with the close box.
HWND CommandBar_Create(HINSTANCE instance, HWND parent, int id);
BOOL CommandBar_AddAdornments(HWND commandBar, DWORD flags, DWORD reserved);
int CommandBar_Height(HWND commandBar);

// Image lists.
HIMAGELIST ImageList_Create(int width, int height, UINT flags, int initial, int grow);
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_Destroy(HIMAGELIST list);

}  // namespace ce
