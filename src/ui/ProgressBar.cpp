#include "ui/ProgressBar.h"

#include "platform/ce/CeControls.h"

namespace {
constexpr ce::DWORD kStyle = 0x50000001;  // visible child, smooth
constexpr int kSteps = 11;                // the boot procedure's progress steps
}  // namespace

ProgressBar::ProgressBar(const ButtonRow& row, int id)
    : Window(row.parent, row.app), row(row), id(id) {}

bool ProgressBar::create(const ce::CREATESTRUCTW* creation) {
    int w = row.buttonWidth;
    window = ce::CreateWindowExW(
        ce::WS_EX_CLIENTEDGE, ce::PROGRESS_CLASSW, TEXT(""), kStyle, row.rect.left + w,
        row.rect.top, row.rect.right - row.rect.left - 2 * w, row.buttonHeight, parent,
        reinterpret_cast<ce::HMENU>(uintptr_t(id)), creation->hInstance, nullptr);
    bool made = ce::IsWindow(window) != 0;
    ce::SendMessageW(window, ce::PBM_SETRANGE, 0, ce::MAKELPARAM(0, kSteps));
    ce::SendMessageW(window, ce::PBM_SETSTEP, 1, 0);
    ce::SendMessageW(window, ce::PBM_SETPOS, 0, 0);
    return made;
}
