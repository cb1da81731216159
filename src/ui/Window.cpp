#include "ui/Window.h"

bool Window::proc(ce::HWND, ce::UINT message, ce::WPARAM, ce::LPARAM) {
    if (message != ce::WM_DESTROY)
        return false;
    ce::PostQuitMessage(0);
    return true;
}
