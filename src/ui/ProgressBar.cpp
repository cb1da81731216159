#include "ui/ProgressBar.h"

#include "platform/ce/CeControls.h"
#include "ui/RootWindow.h"

namespace {
constexpr ce::DWORD kStyle = 0x50000001;  // visible child, smooth
constexpr int kSteps = 11;                // the boot procedure's progress steps
}  // namespace

ProgressBar::ProgressBar(RootWindow* root, const ce::RECT& row)
    : Window(root->handle(), root->application()), rect(row), root(root) {}

bool ProgressBar::create(const ce::CREATESTRUCTW* creation) {
    int w = root->buttonWidth();
    window = ce::CreateWindowExW(ce::WS_EX_CLIENTEDGE, ce::PROGRESS_CLASSW, TEXT(""), kStyle,
                                 rect.left + w, rect.top, rect.right - rect.left - 2 * w,
                                 root->buttonHeight(), parent,
                                 reinterpret_cast<ce::HMENU>(uintptr_t(RootWindow::kProgressBarId)),
                                 creation->hInstance, nullptr);
    bool made = ce::IsWindow(window) != 0;
    ce::SendMessageW(window, ce::PBM_SETRANGE, 0, ce::MAKELPARAM(0, kSteps));
    ce::SendMessageW(window, ce::PBM_SETSTEP, 1, 0);
    ce::SendMessageW(window, ce::PBM_SETPOS, 0, 0);
    return made;
}
