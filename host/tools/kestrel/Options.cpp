#include "Options.h"

#include <cerrno>
#include <cstdlib>

namespace {

bool number(const std::string& text, long long& out) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
        return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && end && *end == '\0';
}

bool smallNumber(const std::string& text, int& out) {
    long long v = 0;
    if (!number(text, v) || v > 0xFFFF)
        return false;
    out = int(v);
    return true;
}

const char* const kTapForms =
    "boot, cancel, close, tab:0, tab:1, tab:2, a control id such as 153, or a point X,Y";
const char* const kKeyForms = "tab, shift+tab, left, right, up, down, enter, space, back, escape";

bool tapEvent(const std::string& what, host::InputEvent& e) {
    e.kind = host::InputEvent::TapControl;
    if (what == "boot")
        return e.id = 5, true;
    if (what == "cancel")
        return e.id = 6, true;
    if (what.rfind("tab:", 0) == 0) {
        e.kind = host::InputEvent::TapTab;
        return smallNumber(what.substr(4), e.index);
    }
    if (what == "close") {
        // The close box sits at the command bar's right end; the point is
        // known once the screen is.
        e.kind = host::InputEvent::TapPoint;
        e.x = -1;
        return true;
    }
    size_t comma = what.find(',');
    if (comma != std::string::npos) {
        e.kind = host::InputEvent::TapPoint;
        return smallNumber(what.substr(0, comma), e.x) && smallNumber(what.substr(comma + 1), e.y);
    }
    return smallNumber(what, e.id);
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

}  // namespace

std::string usageText(bool full) {
    std::string text =
        "usage: kestrel [--device DIR] [--press boot] [--answer CAPTION=ANSWER]...\n"
        "               [--tap CONTROL] [--key KEY] [--type TEXT] [--pick ID=ENTRY]\n"
        "               [--wait MS] [--screenshot FILE] [--budget N] [--help]\n";
    if (!full)
        return text + "kestrel --help explains every option.\n";
    return text +
           "\n"
           "Starts the boot loader on a simulated handheld and shows its Console page,\n"
           "message boxes, COM1 ([COM1] lines) and the kernel's UART ([UART] lines).\n"
           "\n"
           "  --device DIR     the device folder (machine.conf, root/, disks/). Without it,\n"
           "                   a scratch copy of the built example build/examples/jornada720,\n"
           "                   removed at the end; a folder of examples/ means its built copy.\n"
           "  --press boot     taps the Boot button.\n"
           "  --answer CAPTION=ANSWER\n"
           "                   answers the message box CAPTION: yes, no, ok or cancel. Given\n"
           "                   again for one caption, the answers are used in order and the\n"
           "                   last one for every later box.\n"
           "  --tap CONTROL    " +
           kTapForms +
           "\n"
           "                   (tab:N: 0 Main, 1 Option, 2 Console).\n"
           "  --key KEY        " +
           kKeyForms +
           ".\n"
           "  --type TEXT      types into the focused box.\n"
           "  --pick ID=ENTRY  chooses an entry of list ID by its position or its whole text.\n"
           "  --wait MS        lets MS milliseconds of simulated time pass.\n"
           "  --screenshot FILE  writes the screen as a PNG when the run ends.\n"
           "  --budget N       emulated instructions from the jump on (the second-stage\n"
           "                   loader's included), 1 or more; 200000000 by default.\n"
           "  --help           this text.\n"
           "\n"
           "The input options form a script, taken in the order given whenever the\n"
           "application waits for input. A step that finds nothing to act on ends the run.\n"
           "\n"
           "Exit status: 0 the kernel was entered and halted; 1 the boot failed or the\n"
           "application ended without a boot (the last line says why); 2 a mistake in the\n"
           "command line, the input script or machine.conf.\n";
}

bool parseOptions(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        std::string v;
        auto value = [&](const char* form) {
            if (i + 1 >= argc)
                return error = a + " needs a value: " + form, false;
            v = argv[++i];
            return true;
        };
        auto refuse = [&](const std::string& accepted) {
            error = a + " '" + v + "': expected " + accepted;
            return false;
        };
        host::InputEvent e{};
        if (a == "--help" || a == "-h") {
            o.help = true;
            continue;
        }
        if (a == "--device") {
            if (!value("DIR"))
                return false;
            if (v.empty())
                return refuse("a device folder");
            o.device = v;
            continue;
        }
        if (a == "--screenshot") {
            if (!value("FILE"))
                return false;
            if (v.empty())
                return refuse("a file name for the PNG");
            o.screenshot = v;
            continue;
        }
        if (a == "--budget") {
            long long n = 0;
            if (!value("N"))
                return false;
            if (!number(v, n) || n < 1)
                return refuse("a number of instructions, 1 or more");
            o.budget = uint64_t(n);
            continue;
        }
        if (a == "--answer") {
            if (!value("CAPTION=ANSWER"))
                return false;
            size_t eq = v.rfind('=');
            if (eq == std::string::npos || eq == 0)
                return refuse("CAPTION=ANSWER, ANSWER yes, no, ok or cancel");
            std::string answer = v.substr(eq + 1);
            if (answer != "yes" && answer != "no" && answer != "ok" && answer != "cancel")
                return refuse("CAPTION=ANSWER, ANSWER yes, no, ok or cancel");
            o.answers.emplace_back(v.substr(0, eq), answer);
            continue;
        }
        // The script's steps.
        if (a == "--press") {
            if (!value("boot"))
                return false;
            if (v != "boot")
                return refuse("boot");
            tapEvent("boot", e);
        } else if (a == "--tap") {
            if (!value("CONTROL"))
                return false;
            if (!tapEvent(v, e))
                return refuse(kTapForms);
        } else if (a == "--key") {
            if (!value("KEY"))
                return false;
            if (!keyEvent(v, e))
                return refuse(std::string("a known key: ") + kKeyForms);
        } else if (a == "--type") {
            if (!value("TEXT"))
                return false;
            e.kind = host::InputEvent::Text;
            e.text = host::fromUtf8(v);
        } else if (a == "--pick") {
            if (!value("ID=ENTRY"))
                return false;
            size_t eq = v.find('=');
            e.kind = host::InputEvent::Pick;
            if (eq == std::string::npos || !smallNumber(v.substr(0, eq), e.id) ||
                eq + 1 == v.size())
                return refuse("ID=ENTRY: a list's control id, then an entry's position or text");
            std::string entry = v.substr(eq + 1);
            if (!smallNumber(entry, e.index)) {
                e.index = -1;
                e.text = host::fromUtf8(entry);
            }
        } else if (a == "--wait") {
            long long ms = 0;
            if (!value("MS"))
                return false;
            if (!number(v, ms) || ms > 0xFFFFFFFFLL)
                return refuse("milliseconds, 0 to 4294967295");
            e.kind = host::InputEvent::Wait;
            e.milliseconds = uint32_t(ms);
        } else {
            error = "unknown option " + a + " (kestrel --help lists them)";
            return false;
        }
        e.step = "step " + std::to_string(o.script.size() + 1) + " (" + a + " " + v + ")";
        o.script.push_back(e);
    }
    return true;
}
