// Dialogs from templates in dialog units, and the keyboard navigation of the
// dialog manager (Tab between tab stops, arrows within a group).
#include <algorithm>

#include "ce/WindowSystem.h"
#include "platform/ce/CeFile.h"
#include "resources/Resources.h"

namespace {

using host::WindowRecord;
using host::WindowSystem;

WindowSystem& ws() {
    return WindowSystem::current();
}

// Reads a template without leaving its bytes.
class TemplateReader {
  public:
    TemplateReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    uint16_t word() {
        if (pos_ + 2 > size_)
            return ok_ = false, 0;
        uint16_t v = uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    uint32_t dword() {
        uint32_t low = word();
        return low | (uint32_t(word()) << 16);
    }
    // A string, or an ordinal (0xFFFF then a word) returned in `ordinal`.
    std::u16string nameOrOrdinal(uint16_t& ordinal) {
        ordinal = 0;
        std::u16string s;
        uint16_t first = word();
        if (first == 0xFFFF) {
            ordinal = word();
            return s;
        }
        for (uint16_t c = first; ok_ && c != 0; c = word())
            s.push_back(char16_t(c));
        return s;
    }
    void alignToDword() { pos_ = (pos_ + 3) & ~size_t(3); }
    void skip(size_t n) {
        if (pos_ + n > size_)
            ok_ = false;
        pos_ = std::min(pos_ + n, size_);
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// The template's size when it is one of the module's resources; templates
// built elsewhere are read up to a generous bound.
size_t templateSize(const void* data) {
    uint32_t count = 0;
    const ModuleResource* table = moduleResources(&count);
    for (uint32_t i = 0; i < count; ++i) {
        if (table[i].data == data)
            return table[i].size;
    }
    return 64 * 1024;
}

const char16_t* classForOrdinal(uint16_t ordinal) {
    switch (ordinal) {
        case ce::DLG_CLASS_BUTTON:
            return u"BUTTON";
        case ce::DLG_CLASS_EDIT:
            return u"EDIT";
        case ce::DLG_CLASS_STATIC:
            return u"STATIC";
        case ce::DLG_CLASS_COMBOBOX:
            return u"COMBOBOX";
        default:
            return nullptr;
    }
}

// The dialog's direct child that holds `window` (or is it).
ce::HWND childOf(ce::HWND dialog, ce::HWND window) {
    for (WindowRecord* r = ws().find(window); r; r = ws().find(r->parent)) {
        if (r->parent == dialog)
            return r->handle;
    }
    return nullptr;
}

bool usable(ce::HWND h) {
    WindowRecord* r = ws().find(h);
    return r && r->visible() && r->enabled();
}

// Arrow keys move through the controls of one group: from a control with
// WS_GROUP (or the first) up to the next control with WS_GROUP.
ce::HWND nextInGroup(ce::HWND dialog, ce::HWND control, bool previous) {
    WindowRecord* d = ws().find(dialog);
    if (!d)
        return nullptr;
    const std::vector<ce::HWND>& all = d->children;
    auto at = std::find(all.begin(), all.end(), control);
    if (at == all.end())
        return nullptr;
    size_t i = size_t(at - all.begin());
    size_t first = i;
    while (first > 0 && !(ws().find(all[first])->style & ce::WS_GROUP))
        --first;
    size_t end = i + 1;
    while (end < all.size() && !(ws().find(all[end])->style & ce::WS_GROUP))
        ++end;
    size_t n = end - first;
    for (size_t step = 1; step < n; ++step) {
        size_t k = previous ? first + (i - first + n - step) % n : first + (i - first + step) % n;
        if (usable(all[k]))
            return all[k];
    }
    return nullptr;
}

void focusControl(ce::HWND control) {
    ce::SetFocus(control);
    if (ce::SendMessageW(control, ce::WM_GETDLGCODE, 0, 0) & ce::DLGC_HASSETSEL)
        ce::SendMessageW(control, ce::EM_SETSEL, 0, -1);
}

}  // namespace

namespace host {

// The class procedure of dialogs: the dialog procedure first, then the
// default handling.
ce::LRESULT dialogProc(ce::HWND dialog, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam) {
    WindowRecord* r = WindowSystem::current().find(dialog);
    if (!r)
        return 0;
    if (r->dialogProc) {
        ce::BOOL handled = r->dialogProc(dialog, message, wParam, lParam);
        if (message == ce::WM_INITDIALOG)
            return handled;
        if (handled)
            return ce::GetWindowLongW(dialog, ce::DWL_MSGRESULT);
    }
    return ce::DefWindowProcW(dialog, message, wParam, lParam);
}

}  // namespace host

namespace ce {

HWND CreateDialogIndirectParamW(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND parent,
                                DLGPROC procedure, LPARAM parameter) {
    if (!dialogTemplate)
        return SetLastError(ERROR_INVALID_PARAMETER), nullptr;
    TemplateReader in(reinterpret_cast<const uint8_t*>(dialogTemplate),
                      templateSize(dialogTemplate));
    DWORD style = in.dword();
    DWORD exStyle = in.dword();
    WORD count = in.word();
    SHORT box[4];
    for (SHORT& v : box)
        v = SHORT(in.word());
    uint16_t ordinal = 0;
    in.nameOrOrdinal(ordinal);  // menu: none on this platform's dialogs
    in.nameOrOrdinal(ordinal);  // class: always the dialog class here
    std::u16string title = in.nameOrOrdinal(ordinal);
    if (!in.ok())
        return SetLastError(ERROR_INVALID_PARAMETER), nullptr;

    int bx = ws().dialogBaseX();
    int by = ws().dialogBaseY();
    auto px = [&](int v) { return v * bx / 4; };
    auto py = [&](int v) { return v * by / 8; };
    HWND dialog =
        CreateWindowExW(exStyle, u"DIALOG", title.c_str(), style & ~WS_VISIBLE, px(box[0]),
                        py(box[1]), px(box[2]), py(box[3]), parent, nullptr, instance, nullptr);
    WindowRecord* d = ws().find(dialog);
    if (!d)
        return nullptr;
    d->dialogProc = procedure;
    SetWindowLongW(dialog, DWL_DLGPROC, reinterpret_cast<LONG_PTR>(procedure));

    for (WORD i = 0; i < count && in.ok(); ++i) {
        in.alignToDword();
        DWORD itemStyle = in.dword();
        DWORD itemExStyle = in.dword();
        SHORT at[4];
        for (SHORT& v : at)
            v = SHORT(in.word());
        WORD id = in.word();
        uint16_t classOrdinal = 0;
        std::u16string className = in.nameOrOrdinal(classOrdinal);
        uint16_t textOrdinal = 0;
        std::u16string text = in.nameOrOrdinal(textOrdinal);
        WORD extra = in.word();
        in.skip(extra);
        if (!in.ok())
            break;
        if (classOrdinal) {
            const char16_t* name = classForOrdinal(classOrdinal);
            if (!name)
                continue;
            className = name;
        }
        CreateWindowExW(itemExStyle, className.c_str(), text.c_str(), itemStyle, px(at[0]),
                        py(at[1]), px(at[2]), py(at[3]), dialog,
                        reinterpret_cast<HMENU>(uintptr_t(id)), instance, nullptr);
    }
    if (!in.ok()) {
        DestroyWindow(dialog);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (SendMessageW(dialog, WM_INITDIALOG, WPARAM(first), parameter) && first)
        SetFocus(first);
    if ((style & WS_VISIBLE) && ws().find(dialog))
        ShowWindow(dialog, SW_SHOW);
    return ws().find(dialog) ? dialog : nullptr;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
    WindowRecord* d = ws().find(dialog);
    if (!d)
        return nullptr;
    std::vector<HWND> stops;
    for (HWND child : d->children) {
        WindowRecord* c = ws().find(child);
        if (c && c->visible() && c->enabled() && (c->style & WS_TABSTOP))
            stops.push_back(child);
    }
    if (stops.empty())
        return nullptr;
    HWND from = control ? childOf(dialog, control) : nullptr;
    auto at = std::find(stops.begin(), stops.end(), from);
    if (at == stops.end()) {
        if (!from)
            return previous ? stops.back() : stops.front();
        // A control that is no tab stop itself: search from its place among
        // all children.
        auto& all = d->children;
        auto pos = std::find(all.begin(), all.end(), from);
        if (previous) {
            for (auto it = std::make_reverse_iterator(pos); it != all.rend(); ++it) {
                if (std::find(stops.begin(), stops.end(), *it) != stops.end())
                    return *it;
            }
            return stops.back();
        }
        for (auto it = pos; it != all.end(); ++it) {
            if (std::find(stops.begin(), stops.end(), *it) != stops.end())
                return *it;
        }
        return stops.front();
    }
    size_t i = size_t(at - stops.begin());
    size_t n = stops.size();
    return stops[previous ? (i + n - 1) % n : (i + 1) % n];
}

BOOL IsDialogMessageW(HWND dialog, MSG* message) {
    if (!dialog || !message || !ws().find(dialog))
        return FALSE;
    HWND target = message->hwnd;
    if (target != dialog && !ws().isDescendant(dialog, target))
        return FALSE;
    if (message->message == WM_KEYDOWN) {
        LRESULT code =
            SendMessageW(target, WM_GETDLGCODE, message->wParam, reinterpret_cast<LPARAM>(message));
        int key = int(message->wParam);
        bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        HWND control = childOf(dialog, target);
        if (key == VK_TAB && !(code & (DLGC_WANTTAB | DLGC_WANTALLKEYS))) {
            if (HWND next = GetNextDlgTabItem(dialog, control, shift ? TRUE : FALSE))
                focusControl(next);
            return TRUE;
        }
        bool arrow = key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN;
        if (arrow && !(code & DLGC_WANTARROWS) && control) {
            HWND next = nextInGroup(dialog, control, key == VK_LEFT || key == VK_UP);
            if (next) {
                focusControl(next);
                if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
                    SendMessageW(next, BM_CLICK, 0, 0);
            }
            return TRUE;
        }
        if (key == VK_RETURN && !(code & DLGC_WANTALLKEYS)) {
            if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
                SendMessageW(target, BM_CLICK, 0, 0);
            } else {
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
            return TRUE;
        }
    }
    TranslateMessage(message);
    DispatchMessageW(message);
    return TRUE;
}

}  // namespace ce
