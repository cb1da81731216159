#include "ui/CancelButton.h"

#include "ui/Application.h"
#include "ui/RootWindow.h"

namespace {
constexpr ce::DWORD kStyle = 0x50014000;  // visible child, tab stop, notifies
}

CancelButton::CancelButton(RootWindow* root, const ce::RECT& row)
    : Window(root->handle(), root->application()), rect(row), root(root) {}

bool CancelButton::create(const ce::CREATESTRUCTW* creation) {
    int width = root->buttonWidth();
    window =
        ce::CreateWindowExW(0, TEXT("BUTTON"), TEXT("Cancel"), kStyle, rect.right - width, rect.top,
                            width, root->buttonHeight(), parent,
                            reinterpret_cast<ce::HMENU>(uintptr_t(RootWindow::kCancelButtonId)),
                            creation->hInstance, nullptr);
    return ce::IsWindow(window) != 0;
}
