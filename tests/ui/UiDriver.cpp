#include "ui/UiDriver.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/WinMain.h"
#include "machine/Machine.h"
#include "platform/ce/CeWindow.h"
#include "support/DeviceFolder.h"

namespace ui_test {

namespace {

host::InputEvent event(host::InputEvent::Kind kind) {
    host::InputEvent e{};
    e.kind = kind;
    return e;
}

std::filesystem::path configurationFile() {
    return host::Machine::current().rootDir() / "Storage Card" / "kestrel.cnf";
}

}  // namespace

host::InputEvent tap(int id) {
    host::InputEvent e = event(host::InputEvent::TapControl);
    e.id = id;
    return e;
}

host::InputEvent tapTab(int index) {
    host::InputEvent e = event(host::InputEvent::TapTab);
    e.index = index;
    return e;
}

host::InputEvent tapPoint(int x, int y) {
    host::InputEvent e = event(host::InputEvent::TapPoint);
    e.x = x;
    e.y = y;
    return e;
}

host::InputEvent key(int virtualKey, bool shift) {
    host::InputEvent e = event(host::InputEvent::Key);
    e.key = virtualKey;
    e.shift = shift;
    return e;
}

host::InputEvent type(const std::u16string& text) {
    host::InputEvent e = event(host::InputEvent::Text);
    e.text = text;
    return e;
}

host::InputEvent pick(int id, int index) {
    host::InputEvent e = event(host::InputEvent::Pick);
    e.id = id;
    e.index = index;
    return e;
}

host::InputEvent wait(uint32_t milliseconds) {
    host::InputEvent e = event(host::InputEvent::Wait);
    e.milliseconds = milliseconds;
    return e;
}

host::WindowSystem& windows() {
    return host::WindowSystem::current();
}

int runApp(const std::vector<host::InputEvent>& script, std::function<void()> atIdle) {
    windows().endProcess();
    for (const host::InputEvent& e : script)
        windows().script(e);
    windows().onIdle = std::move(atIdle);
    int code = WinMain(ce::GetModuleHandleW(nullptr), nullptr, nullptr, 0);
    windows().onIdle = nullptr;
    return code;
}

ce::HWND control(int id) {
    return windows().findControl(id);
}

std::u16string text(int id) {
    host::WindowRecord* r = windows().find(control(id));
    return r ? r->text : u"<no control>";
}

bool checked(int id) {
    return ce::SendMessageW(control(id), ce::BM_GETCHECK, 0, 0) == 1;
}

bool enabled(int id) {
    return ce::IsWindowEnabled(control(id)) != 0;
}

ce::RECT rect(int id) {
    host::WindowRecord* r = windows().find(control(id));
    return r ? r->rect : ce::RECT{-1, -1, -1, -1};
}

int focusId() {
    return ce::GetDlgCtrlID(windows().focus());
}

int comboSelection(int id) {
    return int(ce::SendMessageW(control(id), ce::CB_GETCURSEL, 0, 0));
}

std::vector<std::u16string> comboEntries(int id) {
    std::vector<std::u16string> out;
    ce::HWND h = control(id);
    int count = int(ce::SendMessageW(h, ce::CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        ce::WCHAR entry[ce::MAX_PATH] = {};
        ce::SendMessageW(h, ce::CB_GETLBTEXT, ce::WPARAM(i), reinterpret_cast<ce::LPARAM>(entry));
        out.push_back(entry);
    }
    return out;
}

std::u16string consoleText() {
    return text(320);
}

bool readSettings(BootSettings& out) {
    std::string bytes = testing_support::readBytes(configurationFile());
    if (bytes.size() != sizeof out)
        return false;
    std::memcpy(&out, bytes.data(), sizeof out);
    return true;
}

void writeSettings(const BootSettings& settings) {
    testing_support::writeBytes(
        configurationFile(),
        std::string(reinterpret_cast<const char*>(&settings), sizeof settings));
}

}  // namespace ui_test
