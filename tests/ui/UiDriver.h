// Runs the application on the current simulated machine with a script of
// user input, and reads its controls afterwards: the platform windows
// outlive the application's objects until the next run ends the process.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "boot/BootSettings.h"
#include "ce/WindowSystem.h"

namespace ui_test {

host::InputEvent tap(int id);
host::InputEvent tapTab(int index);
host::InputEvent tapPoint(int x, int y);
host::InputEvent key(int virtualKey, bool shift = false);
host::InputEvent type(const std::u16string& text);
host::InputEvent pick(int id, int index);
host::InputEvent wait(uint32_t milliseconds);

// Ends the previous run's process, then runs WinMain with the script;
// `atIdle` runs while the application still waits with nothing left to do.
int runApp(const std::vector<host::InputEvent>& script, std::function<void()> atIdle = {});

host::WindowSystem& windows();
ce::HWND control(int id);
std::u16string text(int id);
bool checked(int id);
bool enabled(int id);
ce::RECT rect(int id);  // in the parent's client coordinates
int focusId();
int comboSelection(int id);
std::vector<std::u16string> comboEntries(int id);
// What the Console page's text box shows.
std::u16string consoleText();

// The configuration file on the card, read as the settings record; false
// when there is none.
bool readSettings(BootSettings& out);
void writeSettings(const BootSettings& settings);

}  // namespace ui_test
