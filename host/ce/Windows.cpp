// Classes, windows, messages, timers and focus of the simulated handheld.
#include <algorithm>

#include "ce/WindowSystem.h"
#include "platform/ce/CeFile.h"

namespace {

using host::WindowRecord;
using host::WindowSystem;

WindowSystem& ws() {
    return WindowSystem::current();
}

bool badHandle() {
    ce::SetLastError(ce::ERROR_INVALID_HANDLE);
    return false;
}

// A window long at a byte index: slots 0, 4, 8, ... of the extra bytes.
bool longSlotValid(const WindowRecord& r, int index) {
    return index >= 0 && index % 4 == 0 && index + 4 <= r.extraBytes;
}

}  // namespace

namespace ce {

ATOM RegisterClassW(const WNDCLASSW* c) {
    if (!c || !c->lpszClassName || !c->lpfnWndProc || c->cbWndExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    host::Machine& m = host::Machine::current();
    // A machine.conf line "fail.RegisterClassW = yes" makes registration fail.
    if (m.profile().value("fail.RegisterClassW") == "yes") {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    host::WindowClassRecord r;
    r.name = c->lpszClassName;
    r.proc = c->lpfnWndProc;
    r.extraBytes = c->cbWndExtra;
    r.instance = c->hInstance;
    r.icon = c->hIcon;
    r.background = c->hbrBackground;
    if (!ws().registerClass(r)) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return 0;
    }
    static ATOM next = 0xC000;
    return next++;
}

BOOL UnregisterClassW(LPCWSTR name, HINSTANCE) {
    return name && ws().unregisterClass(name) ? TRUE : FALSE;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter) {
    if (!className)
        return SetLastError(ERROR_INVALID_PARAMETER), nullptr;
    host::WindowClassRecord* c = ws().findClass(className);
    if (!c)
        return SetLastError(ERROR_FILE_NOT_FOUND), nullptr;
    if (parent && !ws().find(parent))
        return SetLastError(ERROR_INVALID_HANDLE), nullptr;
    const host::MachineProfile& p = host::Machine::current().profile();
    if (x == CW_USEDEFAULT)
        x = 0;
    if (y == CW_USEDEFAULT)
        y = 0;
    // A top-level window without a size takes the whole screen.
    if (width == CW_USEDEFAULT)
        width = p.screenWidth - x;
    if (height == CW_USEDEFAULT)
        height = p.screenHeight - y;
    auto record = std::make_unique<host::WindowRecord>();
    record->className = c->name;
    record->proc = c->proc;
    record->instance = instance;
    record->text = title ? title : u"";
    record->style = style;
    record->exStyle = exStyle;
    record->id = (style & WS_CHILD) ? int(reinterpret_cast<uintptr_t>(menu)) : 0;
    record->parent = parent;
    record->rect = {x, y, x + std::max(width, 0), y + std::max(height, 0)};
    record->extraBytes = c->extraBytes;
    host::WindowRecord& r = ws().add(std::move(record));
    HWND h = r.handle;
    CREATESTRUCTW cs{parameter, instance, menu,        parent, height,    width,
                     y,         x,        LONG(style), title,  className, exStyle};
    if (SendMessageW(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(h);
        return nullptr;
    }
    return h;
}

BOOL DestroyWindow(HWND window) {
    WindowRecord* r = ws().find(window);
    if (!r)
        return badHandle();
    SendMessageW(window, WM_DESTROY, 0, 0);
    std::vector<HWND> children = r->children;
    for (HWND child : children)
        DestroyWindow(child);
    r = ws().find(window);
    if (!r)
        return TRUE;
    if (WindowRecord* parent = ws().find(r->parent))
        std::erase(parent->children, window);
    r->destroyed = true;
    ws().forgetWindow(window);
    return TRUE;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* r = ws().find(window);
    if (!r)
        return 0;
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_SETTEXT:
            r->text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
            return TRUE;
        case WM_GETTEXTLENGTH:
            return LRESULT(r->text.size());
        case WM_GETTEXT: {
            if (!lParam || wParam == 0)
                return 0;
            size_t n = std::min(r->text.size(), size_t(wParam - 1));
            auto* out = reinterpret_cast<WCHAR*>(lParam);
            std::copy_n(r->text.begin(), n, out);
            out[n] = 0;
            return LRESULT(n);
        }
        case WM_LBUTTONDOWN: {
            // A tap on a window that takes no focus of its own activates the
            // top-level window; nothing more to do here.
            return 0;
        }
        default:
            return 0;
    }
}

BOOL IsWindow(HWND window) {
    return ws().find(window) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window) {
    return ws().shown(window) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window) {
    WindowRecord* r = ws().find(window);
    return r && r->enabled() ? TRUE : FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
    WindowRecord* r = ws().find(window);
    if (!r)
        return FALSE;
    BOOL wasDisabled = r->enabled() ? FALSE : TRUE;
    if (enable) {
        r->style &= ~WS_DISABLED;
    } else {
        r->style |= WS_DISABLED;
        if (ws().focus() == window)
            ws().setFocus(nullptr);
    }
    SendMessageW(window, WM_ENABLE, WPARAM(enable ? 1 : 0), 0);
    return wasDisabled;
}

BOOL ShowWindow(HWND window, int command) {
    WindowRecord* r = ws().find(window);
    if (!r)
        return FALSE;
    BOOL was = r->visible() ? TRUE : FALSE;
    if (command == SW_HIDE) {
        r->style &= ~WS_VISIBLE;
        if (ws().focus() && (ws().focus() == window || ws().isDescendant(window, ws().focus())))
            ws().setFocus(nullptr);
    } else {
        r->style |= WS_VISIBLE;
    }
    SendMessageW(window, WM_SHOWWINDOW, WPARAM(command == SW_HIDE ? 0 : 1), 0);
    return was;
}

BOOL UpdateWindow(HWND window) {
    if (!ws().find(window))
        return FALSE;
    SendMessageW(window, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
    return window && !ws().find(window) ? FALSE : TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL) {
    WindowRecord* r = ws().find(window);
    if (!r)
        return badHandle();
    r->rect = {x, y, x + std::max(width, 0), y + std::max(height, 0)};
    SendMessageW(window, WM_SIZE, 0, MAKELPARAM(WORD(r->width()), WORD(r->height())));
    return TRUE;
}

BOOL SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags) {
    WindowRecord* r = ws().find(window);
    if (!r)
        return badHandle();
    int w = (flags & SWP_NOSIZE) ? r->width() : std::max(width, 0);
    int h = (flags & SWP_NOSIZE) ? r->height() : std::max(height, 0);
    if (!(flags & SWP_NOMOVE)) {
        r->rect.left = x;
        r->rect.top = y;
    }
    r->rect.right = r->rect.left + w;
    r->rect.bottom = r->rect.top + h;
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    WindowRecord* r = ws().find(window);
    if (!r || !rect)
        return badHandle();
    *rect = {0, 0, r->width(), r->height()};
    return TRUE;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    WindowRecord* r = ws().find(window);
    if (!r || !rect)
        return badHandle();
    POINT o = ws().screenOrigin(window);
    *rect = {o.x, o.y, o.x + r->width(), o.y + r->height()};
    return TRUE;
}

HWND GetParent(HWND window) {
    WindowRecord* r = ws().find(window);
    return r ? r->parent : nullptr;
}

BOOL IsChild(HWND parent, HWND window) {
    return ws().isDescendant(parent, window) ? TRUE : FALSE;
}

HWND GetDlgItem(HWND dialog, int id) {
    WindowRecord* r = ws().find(dialog);
    if (!r)
        return nullptr;
    for (HWND child : r->children) {
        WindowRecord* c = ws().find(child);
        if (c && c->id == id)
            return child;
    }
    return nullptr;
}

int GetDlgCtrlID(HWND window) {
    WindowRecord* r = ws().find(window);
    return r ? r->id : 0;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
    if (!ws().find(window))
        return badHandle();
    return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : u"")) ? TRUE
                                                                                            : FALSE;
}

int GetWindowTextW(HWND window, LPWSTR text, int capacity) {
    if (!ws().find(window) || !text || capacity <= 0)
        return 0;
    return int(SendMessageW(window, WM_GETTEXT, WPARAM(capacity), reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextLengthW(HWND window) {
    if (!ws().find(window))
        return 0;
    return int(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
}

LONG_PTR SetWindowLongW(HWND window, int index, LONG_PTR value) {
    WindowRecord* r = ws().find(window);
    if (!r)
        return badHandle(), 0;
    LONG_PTR old = 0;
    switch (index) {
        case GWL_STYLE:
            old = LONG_PTR(r->style);
            r->style = uint32_t(value);
            return old;
        case GWL_EXSTYLE:
            old = LONG_PTR(r->exStyle);
            r->exStyle = uint32_t(value);
            return old;
        case GWL_ID:
            old = r->id;
            r->id = int(value);
            return old;
        case GWL_USERDATA:
            old = r->userData;
            r->userData = value;
            return old;
        case GWL_WNDPROC:
            old = reinterpret_cast<LONG_PTR>(r->proc);
            r->proc = reinterpret_cast<WNDPROC>(value);
            return old;
        default:
            break;
    }
    if (!longSlotValid(*r, index))
        return SetLastError(ERROR_INVALID_PARAMETER), 0;
    old = r->longs[index];
    r->longs[index] = value;
    return old;
}

LONG_PTR GetWindowLongW(HWND window, int index) {
    WindowRecord* r = ws().find(window);
    if (!r)
        return badHandle(), 0;
    switch (index) {
        case GWL_STYLE:
            return LONG_PTR(r->style);
        case GWL_EXSTYLE:
            return LONG_PTR(r->exStyle);
        case GWL_ID:
            return r->id;
        case GWL_USERDATA:
            return r->userData;
        case GWL_WNDPROC:
            return reinterpret_cast<LONG_PTR>(r->proc);
        default:
            break;
    }
    if (!longSlotValid(*r, index))
        return SetLastError(ERROR_INVALID_PARAMETER), 0;
    auto it = r->longs.find(index);
    return it == r->longs.end() ? 0 : it->second;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    WindowRecord* r = ws().find(window);
    if (!r || !paint)
        return nullptr;
    *paint = PAINTSTRUCT{};
    paint->hdc = GetDC(window);
    paint->rcPaint = {0, 0, r->width(), r->height()};
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) {
    return TRUE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* r = ws().find(window);
    if (!r || !r->proc)
        return 0;
    return r->proc(window, message, wParam, lParam);
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(GetDlgItem(dialog, id), message, wParam, lParam);
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !ws().find(window))
        return badHandle();
    ws().post({window, message, wParam, lParam, 0, {0, 0}});
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    ws().postQuit(exitCode);
}

BOOL GetMessageW(MSG* message, HWND, UINT, UINT) {
    if (!message)
        return -1;
    return ws().getMessage(*message) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG* message) {
    if (!message || message->message != WM_KEYDOWN)
        return FALSE;
    WCHAR c = 0;
    switch (int(message->wParam)) {
        case VK_BACK:
            c = 8;
            break;
        case VK_RETURN:
            c = u'\r';
            break;
        case VK_SPACE:
            c = u' ';
            break;
        default:
            return FALSE;
    }
    ws().post({message->hwnd, WM_CHAR, WPARAM(c), message->lParam, 0, {0, 0}});
    return TRUE;
}

LRESULT DispatchMessageW(const MSG* message) {
    if (!message || !message->hwnd)
        return 0;
    return SendMessageW(message->hwnd, message->message, message->wParam, message->lParam);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC) {
    if (!window || !ws().find(window))
        return badHandle(), 0;
    ws().setTimer(window, id, milliseconds);
    return id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    ws().countKillTimerCall();
    return ws().killTimer(window, id) ? TRUE : FALSE;
}

HWND SetFocus(HWND window) {
    if (window && !ws().find(window))
        return nullptr;
    return ws().setFocus(window);
}

HWND GetFocus() {
    return ws().focus();
}

SHORT GetKeyState(int key) {
    return key == VK_SHIFT && ws().shiftDown() ? SHORT(0x8000) : 0;
}

}  // namespace ce
