// Message boxes: answered from the command line or machine.conf, and shown
// to the person watching as one block of text.
#include <cstdio>

#include "ce/WindowSystem.h"
#include "machine/Machine.h"
#include "platform/ce/CeWindow.h"

namespace ce {

namespace {

// While a box is up its owner's window is inactive and has no focus; the
// owner takes both back when the box goes.
HWND deactivateOwner(HWND owner) {
    host::WindowSystem& ws = host::WindowSystem::current();
    HWND top = ws.topLevel(owner);
    if (!top)
        return nullptr;
    SendMessageW(top, WM_ACTIVATE, WA_INACTIVE, 0);
    ws.setFocus(nullptr);
    return top;
}

}  // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT flags) {
    host::Machine& m = host::Machine::current();
    HWND top = deactivateOwner(owner);
    std::u16string c = caption ? caption : u"";
    std::u16string t = text ? text : u"";
    int answer = m.answerFor(c, flags);
    m.messageBoxes().push_back({c, t, flags, answer});
    const char* names[] = {"?", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
    char flagText[16];
    std::snprintf(flagText, sizeof flagText, "0x%02x", flags);
    m.show(host::Machine::Channel::MessageBox,
           "[MessageBox \"" + host::toUtf8(c) + "\" " + flagText + "] " + host::toUtf8(t) + " -> " +
               (answer >= 0 && answer <= 7 ? names[answer] : "?") + "\n");
    if (top && IsWindow(top))
        SendMessageW(top, WM_ACTIVATE, WA_ACTIVE, 0);
    return answer;
}

}  // namespace ce
