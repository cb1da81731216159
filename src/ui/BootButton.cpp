#include "ui/BootButton.h"

namespace {
constexpr ce::DWORD kStyle = 0x50014000;  // visible child, tab stop, notifies
}

BootButton::BootButton(const ButtonRow& row, int id)
    : Window(row.parent, row.app), row(row), id(id) {}

bool BootButton::create(const ce::CREATESTRUCTW* creation) {
    window = ce::CreateWindowExW(0, TEXT("BUTTON"), TEXT("Boot"), kStyle, row.rect.left,
                                 row.rect.top, row.buttonWidth, row.buttonHeight, parent,
                                 reinterpret_cast<ce::HMENU>(uintptr_t(id)), creation->hInstance,
                                 nullptr);
    return ce::IsWindow(window) != 0;
}
