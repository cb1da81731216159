#include "ce/WindowSystem.h"

#include <algorithm>

namespace host {

std::u16string upperCase(const std::u16string& text) {
    std::u16string out = text;
    for (char16_t& c : out) {
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - u'a' + u'A');
    }
    return out;
}

WindowSystem::WindowSystem(Machine& machine) : machine_(machine) {
    struct Builtin {
        const char16_t* name;
        ce::WNDPROC proc;
    };
    const Builtin builtins[] = {
        {u"BUTTON", buttonProc},
        {u"EDIT", editProc},
        {u"COMBOBOX", comboBoxProc},
        {u"STATIC", staticProc},
        {ce::PROGRESS_CLASSW, progressProc},
        {ce::WC_TABCONTROLW, tabControlProc},
        {ce::UPDOWN_CLASSW, upDownProc},
        {ce::COMMANDBAR_CLASSW, commandBarProc},
        {u"DIALOG", dialogProc},
    };
    for (const Builtin& b : builtins) {
        WindowClassRecord r;
        r.name = b.name;
        r.proc = b.proc;
        r.builtin = true;
        r.extraBytes = 12;  // room for the dialog longs
        classes_[upperCase(r.name)] = r;
    }
}

WindowSystem::~WindowSystem() = default;

WindowSystem& WindowSystem::current() {
    return Machine::current().component<WindowSystem>();
}

WindowClassRecord* WindowSystem::findClass(const std::u16string& name) {
    auto it = classes_.find(upperCase(name));
    return it == classes_.end() ? nullptr : &it->second;
}

bool WindowSystem::registerClass(const WindowClassRecord& record) {
    std::u16string key = upperCase(record.name);
    if (record.name.empty() || classes_.count(key))
        return false;
    classes_[key] = record;
    return true;
}

bool WindowSystem::unregisterClass(const std::u16string& name) {
    auto it = classes_.find(upperCase(name));
    if (it == classes_.end() || it->second.builtin)
        return false;
    classes_.erase(it);
    return true;
}

WindowRecord* WindowSystem::find(ce::HWND window) const {
    auto it = windows_.find(window);
    if (it == windows_.end() || it->second->destroyed)
        return nullptr;
    return it->second.get();
}

WindowRecord& WindowSystem::add(std::unique_ptr<WindowRecord> record) {
    record->handle = reinterpret_cast<ce::HWND>(nextHandle_);
    nextHandle_ += 4;
    WindowRecord& r = *record;
    windows_[r.handle] = std::move(record);
    order_.push_back(r.handle);
    if (WindowRecord* parent = find(r.parent))
        parent->children.push_back(r.handle);
    return r;
}

std::vector<ce::HWND> WindowSystem::topLevelWindows() const {
    std::vector<ce::HWND> out;
    for (ce::HWND h : order_) {
        const WindowRecord* r = find(h);
        if (r && !r->parent)
            out.push_back(h);
    }
    return out;
}

ce::POINT WindowSystem::screenOrigin(ce::HWND window) const {
    ce::POINT p{0, 0};
    for (const WindowRecord* r = find(window); r; r = find(r->parent)) {
        p.x += r->rect.left;
        p.y += r->rect.top;
    }
    return p;
}

bool WindowSystem::shown(ce::HWND window) const {
    const WindowRecord* r = find(window);
    if (!r)
        return false;
    for (; r; r = find(r->parent)) {
        if (!r->visible())
            return false;
    }
    return true;
}

namespace {

// Depth-first, topmost child first.
ce::HWND hit(const WindowSystem& ws, ce::HWND window, int x, int y) {
    const WindowRecord* r = ws.find(window);
    if (!r || !r->visible())
        return nullptr;
    ce::POINT o = ws.screenOrigin(window);
    if (x < o.x || y < o.y || x >= o.x + r->width() || y >= o.y + r->height())
        return nullptr;
    for (auto it = r->children.rbegin(); it != r->children.rend(); ++it) {
        if (ce::HWND h = hit(ws, *it, x, y))
            return h;
    }
    return window;
}

}  // namespace

ce::HWND WindowSystem::windowAt(int x, int y) const {
    std::vector<ce::HWND> tops = topLevelWindows();
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        ce::HWND h = hit(*this, *it, x, y);
        if (!h)
            continue;
        // A disabled control takes no taps; they fall to its parent.
        while (h && find(h) && !find(h)->enabled())
            h = find(h)->parent;
        return h;
    }
    return nullptr;
}

ce::HWND WindowSystem::findControl(int id) const {
    ce::HWND hidden = nullptr;
    for (ce::HWND h : order_) {
        const WindowRecord* r = find(h);
        if (!r || !r->parent || r->id != id)
            continue;
        if (shown(h))
            return h;
        if (!hidden)
            hidden = h;
    }
    return hidden;
}

bool WindowSystem::isDescendant(ce::HWND ancestor, ce::HWND window) const {
    if (!ancestor)
        return false;
    for (const WindowRecord* r = find(window); r; r = find(r->parent)) {
        if (r->parent == ancestor)
            return true;
    }
    return false;
}

ce::HWND WindowSystem::topLevel(ce::HWND window) const {
    const WindowRecord* r = find(window);
    while (r && r->parent && find(r->parent))
        r = find(r->parent);
    return r ? r->handle : nullptr;
}

void WindowSystem::endProcess() {
    for (auto& entry : windows_)
        entry.second->destroyed = true;
    std::erase_if(classes_, [](const auto& entry) { return !entry.second.builtin; });
    timers_.clear();
    queue_.clear();
    script_.clear();
    quitPosted_ = false;
    focus_ = nullptr;
    shiftDown_ = false;
    pictures_.clear();
}

void WindowSystem::post(const ce::MSG& message) {
    queue_.push_back(message);
}

void WindowSystem::postQuit(int code) {
    quitPosted_ = true;
    quitCode_ = code;
}

void WindowSystem::setTimer(ce::HWND window, ce::UINT_PTR id, uint32_t interval) {
    killTimer(window, id);
    timers_.push_back({window, id, interval, clock_ + std::max<uint32_t>(interval, 1)});
}

bool WindowSystem::killTimer(ce::HWND window, ce::UINT_PTR id) {
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const TimerRecord& t) { return t.window == window && t.id == id; });
    if (it == timers_.end())
        return false;
    timers_.erase(it);
    return true;
}

bool WindowSystem::timerPending(ce::HWND window, ce::UINT_PTR id) const {
    return std::any_of(timers_.begin(), timers_.end(),
                       [&](const TimerRecord& t) { return t.window == window && t.id == id; });
}

void WindowSystem::forgetWindow(ce::HWND window) {
    std::erase_if(timers_, [&](const TimerRecord& t) { return t.window == window; });
    std::erase_if(queue_, [&](const ce::MSG& m) { return m.hwnd == window; });
    if (focus_ == window)
        focus_ = nullptr;
}

bool WindowSystem::fireNextTimer() {
    if (timers_.empty())
        return false;
    auto next =
        std::min_element(timers_.begin(), timers_.end(),
                         [](const TimerRecord& a, const TimerRecord& b) { return a.due < b.due; });
    if (next->due > clockLimit)
        return false;
    clock_ = std::max(clock_, next->due);
    next->due = clock_ + std::max<uint32_t>(next->interval, 1);
    post({next->window, ce::WM_TIMER, next->id, 0, uint32_t(clock_), {0, 0}});
    return true;
}

bool WindowSystem::getMessage(ce::MSG& message) {
    for (;;) {
        if (!queue_.empty()) {
            message = queue_.front();
            queue_.pop_front();
            message.time = uint32_t(clock_);
            return true;
        }
        if (quitPosted_) {
            quitPosted_ = false;
            message = {nullptr, ce::WM_QUIT, ce::WPARAM(quitCode_), 0, uint32_t(clock_), {0, 0}};
            return false;
        }
        if (!script_.empty()) {
            InputEvent e = script_.front();
            script_.pop_front();
            apply(e);
            continue;
        }
        if (fireNextTimer())
            continue;
        if (onIdle)
            onIdle();
        if (!endWhenIdle)
            continue;
        message = {nullptr, ce::WM_QUIT, 0, 0, uint32_t(clock_), {0, 0}};
        return false;
    }
}

void WindowSystem::postTap(ce::HWND window, int x, int y) {
    ce::POINT o = screenOrigin(window);
    ce::LPARAM at = ce::MAKELPARAM(ce::WORD(x - o.x), ce::WORD(y - o.y));
    post({window, ce::WM_LBUTTONDOWN, 1, at, 0, {x, y}});
    post({window, ce::WM_LBUTTONUP, 0, at, 0, {x, y}});
}

void WindowSystem::scriptError(const InputEvent& e, const std::string& problem) {
    if (onScriptError)
        onScriptError(e, problem);
}

int WindowSystem::pickIndex(ce::HWND list, const InputEvent& e) {
    ce::LRESULT count = ce::SendMessageW(list, ce::CB_GETCOUNT, 0, 0);
    std::string entries;
    int index = -1;
    for (int i = 0; i < count; ++i) {
        ce::WCHAR item[ce::MAX_PATH] = {};
        if (ce::SendMessageW(list, ce::CB_GETLBTEXTLEN, ce::WPARAM(i), 0) >= ce::MAX_PATH)
            continue;
        ce::SendMessageW(list, ce::CB_GETLBTEXT, ce::WPARAM(i), reinterpret_cast<ce::LPARAM>(item));
        if (e.index < 0 && index < 0 && e.text == item)
            index = i;
        entries += (i ? ", " : "") + std::to_string(i) + " " + toUtf8(item);
    }
    if (e.index >= 0 && e.index < count)
        return e.index;
    if (index >= 0)
        return index;
    std::string wanted = e.index >= 0 ? std::to_string(e.index) : "'" + toUtf8(e.text) + "'";
    scriptError(e, "list " + std::to_string(e.id) + " has no entry " + wanted +
                       (count > 0 ? " (its entries: " + entries + ")" : " (it is empty)"));
    return -1;
}

void WindowSystem::apply(const InputEvent& e) {
    shiftDown_ = false;
    switch (e.kind) {
        case InputEvent::TapPoint: {
            if (ce::HWND h = windowAt(e.x, e.y)) {
                postTap(h, e.x, e.y);
            } else {
                scriptError(e, "there is no window at " + std::to_string(e.x) + "," +
                                   std::to_string(e.y) + " (the screen is " +
                                   std::to_string(machine_.profile().screenWidth) + "x" +
                                   std::to_string(machine_.profile().screenHeight) + ")");
            }
            break;
        }
        case InputEvent::TapControl: {
            ce::HWND h = findControl(e.id);
            const WindowRecord* r = find(h);
            if (!r) {
                scriptError(e, "no control has the id " + std::to_string(e.id));
                break;
            }
            ce::POINT o = screenOrigin(h);
            postTap(h, o.x + r->width() / 2, o.y + r->height() / 2);
            break;
        }
        case InputEvent::TapTab: {
            ce::HWND tabs = nullptr;
            for (ce::HWND h : order_) {
                const WindowRecord* r = find(h);
                if (r && upperCase(r->className) == upperCase(ce::WC_TABCONTROLW))
                    tabs = h;
            }
            ce::RECT item{};
            if (!tabs) {
                scriptError(e, "there are no tabs on the screen");
                break;
            }
            if (e.index < 0 || !ce::SendMessageW(tabs, ce::TCM_GETITEMRECT, ce::WPARAM(e.index),
                                                 reinterpret_cast<ce::LPARAM>(&item))) {
                ce::LRESULT count = ce::SendMessageW(tabs, ce::TCM_GETITEMCOUNT, 0, 0);
                scriptError(e, "there is no tab " + std::to_string(e.index) +
                                   " (the tabs are 0 to " + std::to_string(count - 1) + ")");
                break;
            }
            ce::POINT o = screenOrigin(tabs);
            postTap(tabs, o.x + (item.left + item.right) / 2, o.y + (item.top + item.bottom) / 2);
            break;
        }
        case InputEvent::Key: {
            shiftDown_ = e.shift;
            ce::HWND target = focus_;
            if (!target && !topLevelWindows().empty())
                target = topLevelWindows().back();
            post({target, ce::WM_KEYDOWN, ce::WPARAM(e.key), 1, 0, {0, 0}});
            post({target, ce::WM_KEYUP, ce::WPARAM(e.key), 1, 0, {0, 0}});
            break;
        }
        case InputEvent::Text:
            for (char16_t c : e.text)
                post({focus_, ce::WM_CHAR, ce::WPARAM(c), 1, 0, {0, 0}});
            break;
        case InputEvent::Pick: {
            ce::HWND h = findControl(e.id);
            const WindowRecord* r = find(h);
            if (!r) {
                scriptError(e, "no control has the id " + std::to_string(e.id));
                break;
            }
            if (upperCase(r->className) != upperCase(u"COMBOBOX")) {
                scriptError(e, "control " + std::to_string(e.id) + " is no list");
                break;
            }
            // The entry chosen in the list that the tap drops down.
            int index = pickIndex(h, e);
            if (index < 0)
                break;
            ce::POINT o = screenOrigin(h);
            postTap(h, o.x + r->width() / 2, o.y + r->height() / 2);
            post({h, kPickMessage, ce::WPARAM(index), 0, 0, {0, 0}});
            break;
        }
        case InputEvent::Wait: {
            uint64_t until = clock_ + e.milliseconds;
            while (!timers_.empty()) {
                auto next = std::min_element(
                    timers_.begin(), timers_.end(),
                    [](const TimerRecord& a, const TimerRecord& b) { return a.due < b.due; });
                if (next->due > until)
                    break;
                // Let the timer's message be handled before time goes on.
                fireNextTimer();
                InputEvent rest = e;
                rest.milliseconds = uint32_t(until - clock_);
                script_.push_front(rest);
                return;
            }
            clock_ = until;
            break;
        }
    }
}

ce::HWND WindowSystem::setFocus(ce::HWND window) {
    ce::HWND old = focus_;
    if (window == old)
        return old;
    if (window && !find(window))
        return nullptr;
    focus_ = window;
    if (old && find(old))
        ce::SendMessageW(old, ce::WM_KILLFOCUS, ce::WPARAM(window), 0);
    if (window && focus_ == window)
        ce::SendMessageW(window, ce::WM_SETFOCUS, ce::WPARAM(old), 0);
    return old;
}

void* WindowSystem::addPicture(Picture picture) {
    uintptr_t h = nextPicture_;
    nextPicture_ += 4;
    pictures_[h] = std::move(picture);
    return reinterpret_cast<void*>(h);
}

Picture* WindowSystem::picture(const void* handle) {
    auto it = pictures_.find(reinterpret_cast<uintptr_t>(handle));
    return it == pictures_.end() ? nullptr : &it->second;
}

bool WindowSystem::deletePicture(const void* handle) {
    return pictures_.erase(reinterpret_cast<uintptr_t>(handle)) != 0;
}

int WindowSystem::dialogBaseX() const {
    return 6 * machine_.profile().dpiX / 96;
}
int WindowSystem::dialogBaseY() const {
    return 13 * machine_.profile().dpiY / 96;
}
int WindowSystem::scaleY(int v) const {
    return v * machine_.profile().dpiY / 96;
}

void notifyParent(ce::HWND control, ce::WORD code) {
    WindowRecord* r = WindowSystem::current().find(control);
    if (!r || !r->parent)
        return;
    ce::SendMessageW(r->parent, ce::WM_COMMAND, ce::MAKEWPARAM(ce::WORD(r->id), code),
                     reinterpret_cast<ce::LPARAM>(control));
}

}  // namespace host
