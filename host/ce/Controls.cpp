// The standard controls: buttons, edit boxes, combo boxes and static text.
#include <algorithm>

#include "ce/ControlProcedure.h"
#include "ce/ControlStates.h"

namespace host {
namespace {

WindowSystem& ws() {
    return WindowSystem::current();
}

uint32_t buttonType(const WindowRecord& r) {
    return r.style & ce::BS_TYPEMASK;
}

// Auto radio buttons of one group: between controls with WS_GROUP.
void uncheckGroupSiblings(WindowRecord& button) {
    WindowRecord* parent = ws().find(button.parent);
    if (!parent)
        return;
    auto& all = parent->children;
    auto at = std::find(all.begin(), all.end(), button.handle);
    if (at == all.end())
        return;
    auto first = at;
    while (first != all.begin() && !(ws().find(*first)->style & ce::WS_GROUP))
        --first;
    auto end = at + 1;
    while (end != all.end() && !(ws().find(*end)->style & ce::WS_GROUP))
        ++end;
    for (auto it = first; it != end; ++it) {
        WindowRecord* r = ws().find(*it);
        if (r && *it != button.handle && upperCase(r->className) == u"BUTTON" &&
            buttonType(*r) == ce::BS_AUTORADIOBUTTON)
            ce::SendMessageW(*it, ce::BM_SETCHECK, ce::BST_UNCHECKED, 0);
    }
}

void click(WindowRecord& r) {
    auto* s = r.stateAs<ButtonState>();
    if (!s)
        return;
    switch (buttonType(r)) {
        case ce::BS_AUTOCHECKBOX:
            s->check = s->check == ce::BST_CHECKED ? ce::BST_UNCHECKED : ce::BST_CHECKED;
            break;
        case ce::BS_AUTORADIOBUTTON:
            s->check = ce::BST_CHECKED;
            uncheckGroupSiblings(r);
            break;
        default:
            break;
    }
    notifyParent(r.handle, ce::BN_CLICKED);
}

bool takesClicks(const WindowRecord& r) {
    return buttonType(r) != ce::BS_GROUPBOX;
}

ce::LRESULT buttonMessage(WindowRecord* r, ButtonState* s, ce::HWND h, ce::UINT message,
                          ce::WPARAM wParam, ce::LPARAM lParam) {
    switch (message) {
        case ce::BM_GETCHECK:
            return ce::LRESULT(s->check);
        case ce::BM_SETCHECK:
            s->check = wParam;
            return 0;
        case ce::BM_GETSTATE:
            return ce::LRESULT(s->check | (s->pressed ? 4 : 0));
        case ce::BM_SETSTATE:
            s->pressed = wParam != 0;
            return 0;
        case ce::BM_CLICK:
            if (r->enabled() && takesClicks(*r))
                click(*r);
            return 0;
        case ce::WM_GETDLGCODE:
            switch (buttonType(*r)) {
                case ce::BS_PUSHBUTTON:
                    return ce::DLGC_BUTTON | ce::DLGC_UNDEFPUSHBUTTON;
                case ce::BS_DEFPUSHBUTTON:
                    return ce::DLGC_BUTTON | ce::DLGC_DEFPUSHBUTTON;
                case ce::BS_AUTORADIOBUTTON:
                case ce::BS_RADIOBUTTON:
                    return ce::DLGC_BUTTON | ce::DLGC_RADIOBUTTON;
                case ce::BS_GROUPBOX:
                    return ce::DLGC_STATIC;
                default:
                    return ce::DLGC_BUTTON;
            }
        case ce::WM_LBUTTONDOWN:
            if (!takesClicks(*r))
                return 0;
            ce::SetFocus(h);
            s->pressed = true;
            return 0;
        case ce::WM_LBUTTONUP:
            if (!s->pressed)
                return 0;
            s->pressed = false;
            click(*r);
            return 0;
        case ce::WM_KEYDOWN:
            // Space and Enter press a focused button.
            if ((wParam == ce::VK_SPACE || wParam == ce::VK_RETURN) && takesClicks(*r))
                click(*r);
            return 0;
        case ce::WM_SETFOCUS:
            if (r->style & ce::BS_NOTIFY)
                notifyParent(h, ce::BN_SETFOCUS);
            return 0;
        case ce::WM_KILLFOCUS:
            if (r->style & ce::BS_NOTIFY)
                notifyParent(h, ce::BN_KILLFOCUS);
            return 0;
        default:
            return ce::DefWindowProcW(h, message, wParam, lParam);
    }
}

void setSelection(EditState& s, const std::u16string& text, ce::WPARAM start, ce::LPARAM end) {
    size_t n = text.size();
    if (ce::LONG(start) == -1) {
        s.selStart = s.selEnd = std::min(s.selEnd, n);
        return;
    }
    s.selStart = std::min<size_t>(size_t(ce::LONG(start) < 0 ? 0 : start), n);
    s.selEnd = ce::LONG(end) < 0 ? n : std::min<size_t>(size_t(end), n);
    if (s.selStart > s.selEnd)
        std::swap(s.selStart, s.selEnd);
}

void replaceSelection(EditState& s, std::u16string& text, const std::u16string& with) {
    s.selStart = std::min(s.selStart, text.size());
    s.selEnd = std::min(std::max(s.selEnd, s.selStart), text.size());
    text.replace(s.selStart, s.selEnd - s.selStart, with);
    s.selStart = s.selEnd = s.selStart + with.size();
}

// A typed character; false when it changed nothing.
bool typeInto(EditState& s, std::u16string& text, char16_t c, bool multiLine, bool wantReturn) {
    if (c == 8) {
        if (s.selStart == s.selEnd) {
            if (s.selStart == 0)
                return false;
            --s.selStart;
        }
        replaceSelection(s, text, u"");
        return true;
    }
    if (c == u'\r') {
        if (!multiLine || !wantReturn)
            return false;
        replaceSelection(s, text, u"\r\n");
        return true;
    }
    if (c < 0x20)
        return false;
    replaceSelection(s, text, std::u16string(1, c));
    return true;
}

void moveCaret(EditState& s, const std::u16string& text, int key) {
    size_t caret = s.selEnd;
    if (key == ce::VK_LEFT && caret > 0)
        --caret;
    if (key == ce::VK_RIGHT && caret < text.size())
        ++caret;
    s.selStart = s.selEnd = caret;
}

ce::LRESULT getSelection(const EditState& s, ce::WPARAM wParam, ce::LPARAM lParam) {
    if (wParam)
        *reinterpret_cast<ce::DWORD*>(wParam) = ce::DWORD(s.selStart);
    if (lParam)
        *reinterpret_cast<ce::DWORD*>(lParam) = ce::DWORD(s.selEnd);
    return ce::LRESULT((s.selStart & 0xFFFF) | ((s.selEnd & 0xFFFF) << 16));
}

ce::LRESULT editMessage(WindowRecord* r, EditState* s, ce::HWND h, ce::UINT message,
                        ce::WPARAM wParam, ce::LPARAM lParam) {
    bool multiLine = (r->style & ce::ES_MULTILINE) != 0;
    switch (message) {
        case ce::WM_SETTEXT:
            r->text = lParam ? reinterpret_cast<ce::LPCWSTR>(lParam) : u"";
            s->selStart = s->selEnd = 0;
            return ce::TRUE;
        case ce::EM_SETSEL:
            setSelection(*s, r->text, wParam, lParam);
            return 0;
        case ce::EM_GETSEL:
            return getSelection(*s, wParam, lParam);
        case ce::EM_REPLACESEL: {
            std::u16string with = lParam ? reinterpret_cast<ce::LPCWSTR>(lParam) : u"";
            bool atEnd = s->selStart >= r->text.size();
            replaceSelection(*s, r->text, with);
            if (multiLine && atEnd && ws().onTextAppended)
                ws().onTextAppended(h, with);
            return 0;
        }
        case ce::EM_SCROLLCARET:
            return ce::TRUE;
        case ce::EM_FMTLINES:
            s->softBreaks = wParam != 0;
            return wParam != 0;
        case ce::WM_GETDLGCODE: {
            ce::LRESULT code = ce::DLGC_WANTCHARS | ce::DLGC_HASSETSEL | ce::DLGC_WANTARROWS;
            const auto* m = reinterpret_cast<const ce::MSG*>(lParam);
            bool tab = m && m->message == ce::WM_KEYDOWN && m->wParam == ce::VK_TAB;
            if (multiLine && !tab)
                code |= ce::DLGC_WANTALLKEYS;
            return code;
        }
        case ce::WM_LBUTTONDOWN:
            ce::SetFocus(h);
            // A tap on a one-line box selects its text, so that typing
            // replaces it; a multi-line box puts the caret at the end.
            if (multiLine) {
                s->selStart = s->selEnd = r->text.size();
            } else {
                s->selStart = 0;
                s->selEnd = r->text.size();
            }
            return 0;
        case ce::WM_CHAR:
            if (!r->enabled())
                return 0;
            if (typeInto(*s, r->text, char16_t(wParam), multiLine,
                         (r->style & ce::ES_WANTRETURN) != 0))
                notifyParent(h, ce::EN_CHANGE);
            return 0;
        case ce::WM_KEYDOWN:
            moveCaret(*s, r->text, int(wParam));
            return 0;
        case ce::WM_SETFOCUS:
            notifyParent(h, ce::EN_SETFOCUS);
            return 0;
        case ce::WM_KILLFOCUS:
            notifyParent(h, ce::EN_KILLFOCUS);
            return 0;
        default:
            return ce::DefWindowProcW(h, message, wParam, lParam);
    }
}

void selectEntry(WindowRecord& r, ComboBoxState& s, int index) {
    s.selected = index;
    r.text = index >= 0 ? s.items[size_t(index)] : u"";
    s.selStart = 0;
    s.selEnd = r.text.size();
}

void shapeComboBox(WindowRecord& r) {
    // The window is as high as its edit field; the list only drops down.
    int closed = ws().dialogBaseY() * 12 / 8 + 2;
    r.rect.bottom = r.rect.top + std::min(closed, std::max(r.height(), closed));
}

ce::LRESULT comboBoxMessage(WindowRecord* r, ComboBoxState* s, ce::HWND h, ce::UINT message,
                            ce::WPARAM wParam, ce::LPARAM lParam) {
    int count = int(s->items.size());
    switch (message) {
        case ce::CB_ADDSTRING:
            if (!lParam)
                return ce::CB_ERR;
            s->items.push_back(reinterpret_cast<ce::LPCWSTR>(lParam));
            return count;
        case ce::CB_GETCOUNT:
            return count;
        case ce::CB_GETCURSEL:
            return s->selected;
        case ce::CB_SETCURSEL: {
            int index = int(ce::LONG(wParam));
            if (index < 0 || index >= count) {
                selectEntry(*r, *s, -1);
                return ce::CB_ERR;
            }
            selectEntry(*r, *s, index);
            return index;
        }
        case ce::CB_GETLBTEXTLEN:
            if (int(wParam) < 0 || int(wParam) >= count)
                return ce::CB_ERR;
            return ce::LRESULT(s->items[wParam].size());
        case ce::CB_GETLBTEXT: {
            if (int(wParam) < 0 || int(wParam) >= count || !lParam)
                return ce::CB_ERR;
            const std::u16string& item = s->items[wParam];
            auto* out = reinterpret_cast<ce::WCHAR*>(lParam);
            std::copy(item.begin(), item.end(), out);
            out[item.size()] = 0;
            return ce::LRESULT(item.size());
        }
        case ce::CB_RESETCONTENT:
            s->items.clear();
            selectEntry(*r, *s, -1);
            return 0;
        case kPickMessage:
            if (!r->enabled() || int(wParam) < 0 || int(wParam) >= count)
                return 0;
            selectEntry(*r, *s, int(wParam));
            notifyParent(h, ce::CBN_SELCHANGE);
            return 0;
        case ce::WM_SETTEXT:
        case ce::EM_SETSEL:
            // The edit field takes these as an edit box does.
            return editMessage(r, s, h, message, wParam, lParam);
        case ce::WM_GETDLGCODE:
            return ce::DLGC_WANTCHARS | ce::DLGC_HASSETSEL | ce::DLGC_WANTARROWS;
        case ce::WM_LBUTTONDOWN:
            ce::SetFocus(h);
            s->selStart = 0;
            s->selEnd = r->text.size();
            return 0;
        case ce::WM_CHAR:
            if (!r->enabled())
                return 0;
            if (typeInto(*s, r->text, char16_t(wParam), false, false)) {
                // Typed text is no entry of the list.
                s->selected = -1;
                notifyParent(h, ce::CBN_EDITCHANGE);
            }
            return 0;
        case ce::WM_KEYDOWN: {
            int key = int(wParam);
            if ((key == ce::VK_UP || key == ce::VK_DOWN) && count > 0) {
                int next = s->selected + (key == ce::VK_DOWN ? 1 : -1);
                next = std::clamp(next, 0, count - 1);
                selectEntry(*r, *s, next);
                notifyParent(h, ce::CBN_SELCHANGE);
            } else {
                moveCaret(*s, r->text, key);
            }
            return 0;
        }
        default:
            return ce::DefWindowProcW(h, message, wParam, lParam);
    }
}

}  // namespace

ce::LRESULT buttonProc(ce::HWND h, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam) {
    return controlProcedure<ButtonState>(h, message, wParam, lParam, buttonMessage);
}

ce::LRESULT editProc(ce::HWND h, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam) {
    return controlProcedure<EditState>(h, message, wParam, lParam, editMessage);
}

ce::LRESULT comboBoxProc(ce::HWND h, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam) {
    return controlProcedure<ComboBoxState>(h, message, wParam, lParam, comboBoxMessage,
                                           shapeComboBox);
}

ce::LRESULT staticProc(ce::HWND h, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam) {
    if (message == ce::WM_GETDLGCODE)
        return ce::DLGC_STATIC;
    return ce::DefWindowProcW(h, message, wParam, lParam);
}

}  // namespace host
