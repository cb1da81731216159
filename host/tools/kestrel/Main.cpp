// kestrel: the system on a simulated handheld. Starts the application on
// the device folder's machine, feeds it the scripted input of the command
// line, prints the Console page and the message boxes as they appear, and
// ends when the kernel has run, or the application quits or waits with
// nothing left to do.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/WinMain.h"
#include "ce/ScreenRenderer.h"
#include "ce/WindowSystem.h"
#include "machine/ArmCpu.h"
#include "machine/Machine.h"

namespace {

struct Options {
    std::string device = KESTREL_SOURCE_DIR "/examples/jornada720";
    std::vector<std::pair<std::string, std::string>> answers;
    std::vector<host::InputEvent> script;
    std::string screenshot;
    uint64_t budget = 0;
};

int usage() {
    std::fprintf(stderr,
                 "usage: kestrel [--device DIR] [--press boot] [--answer CAPTION=yes|no]...\n"
                 "               [--tap CONTROL] [--key KEY] [--type TEXT] [--pick ID=ENTRY]\n"
                 "               [--wait MS] [--screenshot FILE] [--budget N]\n"
                 "  CONTROL: boot, cancel, close, tab:N (N = 0 Main, 1 Option, 2 Console),\n"
                 "           a control id (153), or a point X,Y on the screen\n"
                 "  KEY:     tab, shift+tab, left, right, up, down, enter, space, back\n"
                 "  ENTRY:   the entry's position in the list or its text\n"
                 "Input is taken in the order given, whenever the application waits.\n");
    return 2;
}

bool number(const std::string& text, long& out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    out = std::strtol(text.c_str(), &end, 0);
    return end && *end == '\0';
}

bool tapEvent(const std::string& what, host::InputEvent& e) {
    long v = 0;
    e.kind = host::InputEvent::TapControl;
    if (what == "boot")
        return e.id = 5, true;
    if (what == "cancel")
        return e.id = 6, true;
    if (what.rfind("tab:", 0) == 0) {
        e.kind = host::InputEvent::TapTab;
        return number(what.substr(4), v) && (e.index = int(v), v >= 0);
    }
    if (what == "close") {
        // The close box sits at the command bar's right end.
        e.kind = host::InputEvent::TapPoint;
        e.x = -1;
        return true;
    }
    size_t comma = what.find(',');
    if (comma != std::string::npos) {
        long x = 0, y = 0;
        e.kind = host::InputEvent::TapPoint;
        if (!number(what.substr(0, comma), x) || !number(what.substr(comma + 1), y))
            return false;
        e.x = int(x);
        e.y = int(y);
        return true;
    }
    return number(what, v) && (e.id = int(v), true);
}

bool keyEvent(std::string name, host::InputEvent& e) {
    e.kind = host::InputEvent::Key;
    if (name.rfind("shift+", 0) == 0) {
        e.shift = true;
        name = name.substr(6);
    }
    const std::pair<const char*, int> keys[] = {
        {"tab", 0x09},   {"left", 0x25},  {"up", 0x26},   {"right", 0x27},  {"down", 0x28},
        {"enter", 0x0D}, {"space", 0x20}, {"back", 0x08}, {"escape", 0x1B},
    };
    for (const auto& k : keys) {
        if (name == k.first)
            return e.key = k.second, true;
    }
    return false;
}

bool parse(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        std::string v;
        auto value = [&]() {
            if (i + 1 >= argc)
                return error = a + " needs a value", false;
            v = argv[++i];
            return true;
        };
        host::InputEvent e{};
        if (a == "--device") {
            if (!value())
                return false;
            o.device = v;
        } else if (a == "--press") {
            if (!value())
                return false;
            if (v != "boot")
                return error = "--press knows only 'boot'", false;
            tapEvent("boot", e);
            o.script.push_back(e);
        } else if (a == "--answer") {
            if (!value())
                return false;
            size_t eq = v.find('=');
            if (eq == std::string::npos)
                return error = "--answer CAPTION=yes|no", false;
            o.answers.emplace_back(v.substr(0, eq), v.substr(eq + 1));
        } else if (a == "--tap") {
            if (!value())
                return false;
            if (!tapEvent(v, e))
                return error = "--tap: cannot tell what '" + v + "' is", false;
            o.script.push_back(e);
        } else if (a == "--key") {
            if (!value())
                return false;
            if (!keyEvent(v, e))
                return error = "--key: unknown key '" + v + "'", false;
            o.script.push_back(e);
        } else if (a == "--type") {
            if (!value())
                return false;
            e.kind = host::InputEvent::Text;
            e.text = host::fromUtf8(v);
            o.script.push_back(e);
        } else if (a == "--pick") {
            if (!value())
                return false;
            size_t eq = v.find('=');
            long id = 0, index = 0;
            if (eq == std::string::npos || !number(v.substr(0, eq), id))
                return error = "--pick ID=ENTRY", false;
            e.kind = host::InputEvent::Pick;
            e.id = int(id);
            std::string entry = v.substr(eq + 1);
            if (number(entry, index)) {
                e.index = int(index);
            } else {
                e.text = host::fromUtf8(entry);
            }
            o.script.push_back(e);
        } else if (a == "--wait") {
            long ms = 0;
            if (!value() || !number(v, ms) || ms < 0)
                return error = "--wait MILLISECONDS", false;
            e.kind = host::InputEvent::Wait;
            e.milliseconds = uint32_t(ms);
            o.script.push_back(e);
        } else if (a == "--screenshot") {
            if (!value())
                return false;
            o.screenshot = v;
        } else if (a == "--budget") {
            long n = 0;
            if (!value() || !number(v, n) || n < 0)
                return error = "--budget N", false;
            o.budget = uint64_t(n);
        } else {
            return error = "unknown option " + a, false;
        }
    }
    return true;
}

void screenshot(const std::string& path) {
    if (path.empty())
        return;
    std::string error;
    if (!host::renderScreen(path, error))
        std::fprintf(stderr, "kestrel: screenshot: %s\n", error.c_str());
}

// The Console page's text as it grows, with its line ends as on a PC.
void showConsoleText(ce::HWND, const std::u16string& text) {
    std::u16string plain;
    for (char16_t c : text) {
        if (c != u'\r')
            plain.push_back(c);
    }
    std::cout << host::toUtf8(plain);
    std::cout.flush();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!parse(argc, argv, options, error)) {
        std::fprintf(stderr, "kestrel: %s\n", error.c_str());
        return usage();
    }
    if (!host::Machine::open(options.device, error)) {
        std::fprintf(stderr, "kestrel: %s\n", error.c_str());
        return 2;
    }
    host::Machine& machine = host::Machine::current();
    for (const auto& [caption, answer] : options.answers)
        machine.setAnswer(caption, answer);
    const host::MachineProfile& p = machine.profile();
    std::printf("kestrel: %s (%s, %dx%dx%d) from %s\n", p.name.c_str(), p.cpu.c_str(),
                p.screenWidth, p.screenHeight, p.screenDepth, options.device.c_str());
    std::fflush(stdout);

    host::WindowSystem& windows = host::WindowSystem::current();
    windows.onTextAppended = showConsoleText;
    for (host::InputEvent e : options.script) {
        if (e.kind == host::InputEvent::TapPoint && e.x < 0) {
            // "close": the command bar's close box, near the top-right corner.
            e.x = p.screenWidth - windows.scaleY(26) / 2;
            e.y = windows.scaleY(26) / 2;
        }
        windows.script(e);
    }
    if (options.budget)
        machine.component<host::ArmCpu>().setBudget(options.budget);
    // The jump leaves Windows CE for good: whatever the kernel did, the run
    // ends there with a line saying how far it got, and status 0 only when
    // the kernel was entered and halted.
    host::ArmCpu::setJumpHandler([&options](const host::ArmCpu::JumpOutcome& o) {
        std::cout.flush();
        host::Machine::current().out().flush();
        if (o.entered && o.halted) {
            std::printf("\nkestrel: the kernel was entered at 0x%08x and halted at 0x%08x\n",
                        o.entry, o.pc);
        } else if (o.entered) {
            std::printf("\nkestrel: the kernel was entered at 0x%08x but did not halt: %s\n",
                        o.entry, o.reason.c_str());
        } else {
            std::printf("\nkestrel: the kernel was not entered: %s\n", o.reason.c_str());
        }
        screenshot(options.screenshot);
        std::fflush(stdout);
        std::_Exit(o.entered && o.halted ? 0 : 1);
    });

    int exitCode = WinMain(ce::GetModuleHandleW(nullptr), nullptr, nullptr, 0);
    screenshot(options.screenshot);
    windows.endProcess();
    // Back in the application: no jump ended the run, so no kernel ran.
    std::printf("kestrel: the application ended with code %d; the kernel was not entered\n",
                exitCode);
    return 1;
}
