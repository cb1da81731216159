#include "console/BoxOwner.h"

#include "platform/ce/CeWindow.h"

int BoxOwner::show(const BoxOwner* owner, const ce::WCHAR* text, const ce::WCHAR* caption,
                   ce::UINT flags) {
    ce::HWND window = owner ? owner->boxOwner() : nullptr;
    int answer = ce::MessageBoxW(window, text, caption, flags);
    ce::UpdateWindow(window);
    return answer;
}
