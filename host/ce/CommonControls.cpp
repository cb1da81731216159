// The common controls: progress bar, tab control, up-down control, command
// bar and image lists.
#include <algorithm>

#include "ce/ControlProcedure.h"
#include "ce/ControlStates.h"
#include "platform/ce/CeText.h"

namespace host {
namespace {

WindowSystem& ws() {
    return WindowSystem::current();
}

constexpr int kTabBorder = 2;

// A tab without an image is sized for a 16 x 16 picture.
ce::POINT tabImageSize(const TabControlState& s) {
    ce::POINT size = imageSize(s.images);
    if (size.x == 0)
        size = {16, 16};
    return size;
}

void notifyTabs(ce::HWND tabs, ce::UINT code) {
    WindowRecord* r = ws().find(tabs);
    if (!r || !r->parent)
        return;
    ce::NMHDR header{tabs, ce::UINT_PTR(r->id), code};
    ce::SendMessageW(r->parent, ce::WM_NOTIFY, ce::WPARAM(r->id),
                     reinterpret_cast<ce::LPARAM>(&header));
}

void changeTab(ce::HWND tabs, TabControlState& s, int index) {
    if (index == s.selected || index < 0 || index >= int(s.items.size()))
        return;
    notifyTabs(tabs, ce::TCN_SELCHANGING);
    s.selected = index;
    notifyTabs(tabs, ce::TCN_SELCHANGE);
}

}  // namespace

ce::POINT imageSize(ce::HIMAGELIST list) {
    Picture* p = ws().picture(list);
    if (!p)
        return {0, 0};
    return {p->width, p->height};
}

ce::RECT tabItemRect(const WindowRecord& tabs, int index) {
    const auto* s = tabs.stateAs<TabControlState>();
    if (!s)
        return {0, 0, 0, 0};
    ce::POINT image = tabImageSize(*s);
    int w = image.x + 2 * s->padX + 2 * kTabBorder;
    int h = image.y + 2 * s->padY + 2 * kTabBorder;
    if (tabs.style & ce::TCS_VERTICAL)
        return {0, kTabBorder + index * h, w, kTabBorder + (index + 1) * h};
    return {kTabBorder + index * w, 0, kTabBorder + (index + 1) * w, h};
}

ce::RECT tabDisplayArea(const WindowRecord& tabs, ce::RECT rect) {
    ce::RECT first = tabItemRect(tabs, 0);
    if (tabs.style & ce::TCS_VERTICAL) {
        return {rect.left + first.right, rect.top + kTabBorder, rect.right - kTabBorder,
                rect.bottom - kTabBorder};
    }
    return {rect.left + kTabBorder, rect.top + first.bottom, rect.right - kTabBorder,
            rect.bottom - kTabBorder};
}

ce::RECT closeBoxRect(const WindowRecord& bar) {
    int side = bar.height() - 4;
    return {bar.width() - side - 3, 2, bar.width() - 3, 2 + side};
}

namespace {

ce::LRESULT progressMessage(WindowRecord* r, ProgressState* s, ce::HWND h, ce::UINT message,
                            ce::WPARAM wParam, ce::LPARAM lParam) {
    int old = s->position;
    switch (message) {
        case ce::PBM_SETRANGE: {
            ce::LRESULT before = ce::MAKELPARAM(ce::WORD(s->low), ce::WORD(s->high));
            s->low = ce::LOWORD(uintptr_t(lParam));
            s->high = ce::HIWORD(uintptr_t(lParam));
            s->position = std::clamp(s->position, s->low, std::max(s->low, s->high));
            return before;
        }
        case ce::PBM_SETPOS:
            s->position = std::clamp(int(wParam), s->low, std::max(s->low, s->high));
            return old;
        case ce::PBM_DELTAPOS:
            s->position = std::clamp(s->position + int(wParam), s->low, std::max(s->low, s->high));
            return old;
        case ce::PBM_SETSTEP: {
            int before = s->step;
            s->step = int(wParam);
            return before;
        }
        case ce::PBM_STEPIT:
            s->position += s->step;
            // Past the end the bar starts again from the beginning.
            if (s->position > s->high)
                s->position = s->low + (s->position - s->high);
            return old;
        case ce::PBM_GETPOS:
            return s->position;
        default:
            return ce::DefWindowProcW(h, message, wParam, lParam);
    }
}

ce::LRESULT tabControlMessage(WindowRecord* r, TabControlState* s, ce::HWND h, ce::UINT message,
                              ce::WPARAM wParam, ce::LPARAM lParam) {
    int count = int(s->items.size());
    switch (message) {
        case ce::TCM_SETIMAGELIST: {
            ce::HIMAGELIST old = s->images;
            s->images = reinterpret_cast<ce::HIMAGELIST>(lParam);
            return reinterpret_cast<ce::LRESULT>(old);
        }
        case ce::TCM_SETPADDING:
            s->padX = ce::LOWORD(uintptr_t(lParam));
            s->padY = ce::HIWORD(uintptr_t(lParam));
            return 0;
        case ce::TCM_GETITEMCOUNT:
            return count;
        case ce::TCM_GETCURSEL:
            return s->selected;
        case ce::TCM_SETCURSEL: {
            int old = s->selected;
            if (int(wParam) < 0 || int(wParam) >= count)
                return -1;
            s->selected = int(wParam);
            return old;
        }
        case ce::TCM_INSERTITEMW: {
            const auto* item = reinterpret_cast<const ce::TCITEMW*>(lParam);
            if (!item)
                return -1;
            TabControlState::Item added;
            if (item->mask & ce::TCIF_IMAGE)
                added.image = item->iImage;
            if (item->mask & ce::TCIF_PARAM)
                added.param = item->lParam;
            if ((item->mask & ce::TCIF_TEXT) && item->pszText)
                added.text = item->pszText;
            int at = std::clamp(int(wParam), 0, count);
            s->items.insert(s->items.begin() + at, added);
            if (s->selected < 0) {
                s->selected = 0;
            } else if (at <= s->selected) {
                ++s->selected;
            }
            return at;
        }
        case ce::TCM_GETITEMW:
        case ce::TCM_SETITEMW: {
            auto* item = reinterpret_cast<ce::TCITEMW*>(lParam);
            if (!item || int(wParam) < 0 || int(wParam) >= count)
                return ce::FALSE;
            TabControlState::Item& it = s->items[wParam];
            bool set = message == ce::TCM_SETITEMW;
            if (item->mask & ce::TCIF_IMAGE)
                set ? void(it.image = item->iImage) : void(item->iImage = it.image);
            if (item->mask & ce::TCIF_PARAM)
                set ? void(it.param = item->lParam) : void(item->lParam = it.param);
            if ((item->mask & ce::TCIF_TEXT) && item->pszText) {
                if (set) {
                    it.text = item->pszText;
                } else if (item->cchTextMax > 0) {
                    size_t n = std::min(it.text.size(), size_t(item->cchTextMax - 1));
                    std::copy_n(it.text.begin(), n, item->pszText);
                    item->pszText[n] = 0;
                }
            }
            return ce::TRUE;
        }
        case ce::TCM_GETITEMRECT: {
            auto* out = reinterpret_cast<ce::RECT*>(lParam);
            if (!out || int(wParam) < 0 || int(wParam) >= count)
                return ce::FALSE;
            *out = tabItemRect(*r, int(wParam));
            return ce::TRUE;
        }
        case ce::TCM_ADJUSTRECT: {
            auto* rect = reinterpret_cast<ce::RECT*>(lParam);
            if (!rect)
                return 0;
            if (!wParam) {
                *rect = tabDisplayArea(*r, *rect);
            } else {
                // The window rectangle that has this display area.
                ce::RECT zero = tabDisplayArea(*r, {0, 0, 0, 0});
                *rect = {rect->left - zero.left, rect->top - zero.top, rect->right - zero.right,
                         rect->bottom - zero.bottom};
            }
            return 0;
        }
        case ce::WM_GETDLGCODE:
            return ce::DLGC_WANTARROWS | ce::DLGC_WANTCHARS;
        case ce::WM_LBUTTONDOWN: {
            int x = ce::SHORT(ce::LOWORD(uintptr_t(lParam)));
            int y = ce::SHORT(ce::HIWORD(uintptr_t(lParam)));
            for (int i = 0; i < count; ++i) {
                ce::RECT t = tabItemRect(*r, i);
                if (x >= t.left && x < t.right && y >= t.top && y < t.bottom)
                    changeTab(h, *s, i);
            }
            return 0;
        }
        case ce::WM_KEYDOWN: {
            WindowRecord* parent = ws().find(r->parent);
            if (parent) {
                ce::NMTCKEYDOWN key{{h, ce::UINT_PTR(r->id), ce::TCN_KEYDOWN}, ce::WORD(wParam), 0};
                ce::SendMessageW(r->parent, ce::WM_NOTIFY, ce::WPARAM(r->id),
                                 reinterpret_cast<ce::LPARAM>(&key));
            }
            // Along the strip of tabs the arrows choose the neighbouring tab.
            bool vertical = (r->style & ce::TCS_VERTICAL) != 0;
            int back = vertical ? ce::VK_UP : ce::VK_LEFT;
            int forth = vertical ? ce::VK_DOWN : ce::VK_RIGHT;
            if (int(wParam) == back)
                changeTab(h, *s, s->selected - 1);
            if (int(wParam) == forth)
                changeTab(h, *s, s->selected + 1);
            return 0;
        }
        default:
            return ce::DefWindowProcW(h, message, wParam, lParam);
    }
}

void updateBuddy(const WindowRecord& r, const UpDownState& s) {
    if (!(r.style & ce::UDS_SETBUDDYINT) || !ws().find(s.buddy))
        return;
    ce::WCHAR text[16];
    ce::wsprintfW(text, u"%d", s.position);
    ce::SetWindowTextW(s.buddy, text);
}

int lowest(const UpDownState& s) {
    return std::min(s.lower, s.upper);
}
int highest(const UpDownState& s) {
    return std::max(s.lower, s.upper);
}

ce::LRESULT upDownMessage(WindowRecord* r, UpDownState* s, ce::HWND h, ce::UINT message,
                          ce::WPARAM wParam, ce::LPARAM lParam) {
    switch (message) {
        case ce::UDM_SETBUDDY: {
            ce::HWND old = s->buddy;
            s->buddy = reinterpret_cast<ce::HWND>(wParam);
            WindowRecord* b = ws().find(s->buddy);
            // Aligned to the right: the arrows sit against the buddy's right
            // edge, as high as the buddy and at most as wide as they are high.
            if (b && (r->style & ce::UDS_ALIGNRIGHT) && b->parent == r->parent) {
                int w = std::min(r->width(), b->height());
                r->rect = {b->rect.right, b->rect.top, b->rect.right + w, b->rect.bottom};
            }
            return reinterpret_cast<ce::LRESULT>(old);
        }
        case ce::UDM_GETBUDDY:
            return reinterpret_cast<ce::LRESULT>(s->buddy);
        case ce::UDM_SETRANGE:
            s->upper = ce::SHORT(ce::LOWORD(uintptr_t(lParam)));
            s->lower = ce::SHORT(ce::HIWORD(uintptr_t(lParam)));
            return 0;
        case ce::UDM_GETRANGE:
            return ce::MAKELPARAM(ce::WORD(s->upper), ce::WORD(s->lower));
        case ce::UDM_SETPOS: {
            int old = s->position;
            s->position =
                std::clamp(int(ce::SHORT(ce::LOWORD(uintptr_t(lParam)))), lowest(*s), highest(*s));
            updateBuddy(*r, *s);
            return old;
        }
        case ce::UDM_GETPOS:
            return s->position;
        case ce::WM_LBUTTONDOWN: {
            if (!r->enabled())
                return 0;
            // The buddy's number is where the arrows start from.
            if ((r->style & ce::UDS_SETBUDDYINT) && ws().find(s->buddy)) {
                ce::WCHAR text[32] = {};
                ce::GetWindowTextW(s->buddy, text, 32);
                s->position = std::clamp(ce::_wtoi(text), lowest(*s), highest(*s));
            }
            int y = ce::SHORT(ce::HIWORD(uintptr_t(lParam)));
            int delta = y < r->height() / 2 ? 1 : -1;
            if (s->lower > s->upper)
                delta = -delta;
            s->position = std::clamp(s->position + delta, lowest(*s), highest(*s));
            updateBuddy(*r, *s);
            return 0;
        }
        default:
            return ce::DefWindowProcW(h, message, wParam, lParam);
    }
}

ce::LRESULT commandBarMessage(WindowRecord* r, CommandBarState* s, ce::HWND h, ce::UINT message,
                              ce::WPARAM wParam, ce::LPARAM lParam) {
    if (message == ce::WM_LBUTTONUP && s->closeBox) {
        int x = ce::SHORT(ce::LOWORD(uintptr_t(lParam)));
        int y = ce::SHORT(ce::HIWORD(uintptr_t(lParam)));
        ce::RECT box = closeBoxRect(*r);
        if (x >= box.left && x < box.right && y >= box.top && y < box.bottom)
            ce::PostMessageW(r->parent, ce::WM_CLOSE, 0, 0);
        return 0;
    }
    return ce::DefWindowProcW(h, message, wParam, lParam);
}

}  // namespace

ce::LRESULT progressProc(ce::HWND h, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam) {
    return controlProcedure<ProgressState>(h, message, wParam, lParam, progressMessage);
}

ce::LRESULT tabControlProc(ce::HWND h, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam) {
    return controlProcedure<TabControlState>(h, message, wParam, lParam, tabControlMessage);
}

ce::LRESULT upDownProc(ce::HWND h, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam) {
    return controlProcedure<UpDownState>(h, message, wParam, lParam, upDownMessage);
}

ce::LRESULT commandBarProc(ce::HWND h, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam) {
    return controlProcedure<CommandBarState>(h, message, wParam, lParam, commandBarMessage);
}

}  // namespace host

namespace ce {

void InitCommonControls() {
    ++host::Machine::current().counters()["InitCommonControls"];
}

HWND CreateUpDownControl(DWORD style, int x, int y, int width, int height, HWND parent, int id,
                         HINSTANCE instance, HWND buddy, int upper, int lower, int position) {
    HWND h = CreateWindowExW(0, UPDOWN_CLASSW, u"", style, x, y, width, height, parent,
                             reinterpret_cast<HMENU>(uintptr_t(id)), instance, nullptr);
    if (!h)
        return nullptr;
    SendMessageW(h, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
    SendMessageW(h, UDM_SETRANGE, 0, MAKELPARAM(WORD(upper), WORD(lower)));
    SendMessageW(h, UDM_SETPOS, 0, MAKELPARAM(WORD(position), 0));
    return h;
}

HWND CommandBar_Create(HINSTANCE instance, HWND parent, int id) {
    RECT client{};
    if (!GetClientRect(parent, &client))
        return nullptr;
    int height = host::WindowSystem::current().scaleY(26);
    return CreateWindowExW(0, COMMANDBAR_CLASSW, u"", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                           height, parent, reinterpret_cast<HMENU>(uintptr_t(id)), instance,
                           nullptr);
}

BOOL CommandBar_AddAdornments(HWND commandBar, DWORD, DWORD) {
    host::WindowRecord* r = host::WindowSystem::current().find(commandBar);
    auto* s = r ? r->stateAs<host::CommandBarState>() : nullptr;
    if (!s)
        return ce::FALSE;
    s->closeBox = true;
    return ce::TRUE;
}

int CommandBar_Height(HWND commandBar) {
    host::WindowRecord* r = host::WindowSystem::current().find(commandBar);
    return r ? r->height() : 0;
}

HIMAGELIST ImageList_Create(int width, int height, UINT, int, int) {
    if (width <= 0 || height <= 0)
        return nullptr;
    host::Picture list;
    list.width = width;
    list.height = height;
    return static_cast<HIMAGELIST>(host::WindowSystem::current().addPicture(std::move(list)));
}

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP) {
    host::WindowSystem& ws = host::WindowSystem::current();
    host::Picture* l = ws.picture(list);
    host::Picture* b = ws.picture(image);
    if (!l || !b || list == static_cast<void*>(image))
        return -1;
    // A wider bitmap holds several images side by side.
    int added = std::max(1, b->width / l->width);
    int first = int(l->pixels.size() / size_t(l->width * l->height));
    for (int i = 0; i < added; ++i) {
        for (int y = 0; y < l->height; ++y) {
            for (int x = 0; x < l->width; ++x) {
                int sx = i * l->width + x;
                bool inside = sx < b->width && y < b->height;
                l->pixels.push_back(inside ? b->pixels[size_t(y) * b->width + sx] : 0xC0C0C0);
            }
        }
    }
    return first;
}

int ImageList_GetImageCount(HIMAGELIST list) {
    host::Picture* l = host::WindowSystem::current().picture(list);
    return l ? int(l->pixels.size() / size_t(l->width * l->height)) : 0;
}

BOOL ImageList_Destroy(HIMAGELIST list) {
    return host::WindowSystem::current().deletePicture(list) ? ce::TRUE : ce::FALSE;
}

}  // namespace ce
