#include "ui/CancelButton.h"

namespace {
constexpr ce::DWORD kStyle = 0x50014000;  // visible child, tab stop, notifies
}

CancelButton::CancelButton(const ButtonRow& row, int id)
    : Window(row.parent, row.app), row(row), id(id) {}

bool CancelButton::create(const ce::CREATESTRUCTW* creation) {
    int width = row.buttonWidth;
    window = ce::CreateWindowExW(0, TEXT("BUTTON"), TEXT("Cancel"), kStyle, row.rect.right - width,
                                 row.rect.top, width, row.buttonHeight, parent,
                                 reinterpret_cast<ce::HMENU>(uintptr_t(id)), creation->hInstance,
                                 nullptr);
    return ce::IsWindow(window) != 0;
}
