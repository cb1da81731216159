#include "ui/BootButton.h"

#include "ui/Application.h"
#include "ui/RootWindow.h"

namespace {
constexpr ce::DWORD kStyle = 0x50014000;  // visible child, tab stop, notifies
}

BootButton::BootButton(RootWindow* root, const ce::RECT& row)
    : Window(root->handle(), root->application()), rect(row), root(root) {}

bool BootButton::create(const ce::CREATESTRUCTW* creation) {
    window = ce::CreateWindowExW(0, TEXT("BUTTON"), TEXT("Boot"), kStyle, rect.left, rect.top,
                                 root->buttonWidth(), root->buttonHeight(), parent,
                                 reinterpret_cast<ce::HMENU>(uintptr_t(RootWindow::kBootButtonId)),
                                 creation->hInstance, nullptr);
    return ce::IsWindow(window) != 0;
}
