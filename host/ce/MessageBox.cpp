// Message boxes: answered from the command line or machine.conf, and shown
// to the person watching as one block of text.
#include <cstdio>

#include "machine/Machine.h"
#include "platform/ce/CeWindow.h"

namespace ce {

int MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT flags) {
    host::Machine& m = host::Machine::current();
    std::u16string c = caption ? caption : u"";
    std::u16string t = text ? text : u"";
    int answer = m.answerFor(c, flags);
    m.messageBoxes().push_back({c, t, flags, answer});
    const char* names[] = {"?", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
    char flagText[16];
    std::snprintf(flagText, sizeof flagText, "0x%02x", flags);
    m.out() << "[MessageBox \"" << host::toUtf8(c) << "\" " << flagText << "] "
            << host::toUtf8(t) << " -> " << (answer >= 0 && answer <= 7 ? names[answer] : "?")
            << "\n";
    m.out().flush();
    return answer;
}

}  // namespace ce
