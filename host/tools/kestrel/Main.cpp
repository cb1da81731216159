// kestrel: the system on a simulated handheld. Starts the application on
// the device folder's machine, feeds it the scripted input of the command
// line, prints the Console page, the message boxes, COM1 and the UART as they
// appear, and ends when the kernel has run, or the application quits or
// waits with nothing left to do. The last line says which.
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Options.h"
#include "Transcript.h"
#include "app/WinMain.h"
#include "ce/ScreenRenderer.h"
#include "ce/WindowSystem.h"
#include "machine/ArmCpu.h"
#include "machine/Machine.h"

namespace {

namespace fs = std::filesystem;

// The run's state that its ends (the jump, a stop from inside the
// simulation, the application's return) all need.
struct Run {
    Options options;
    fs::path scratch;  // a scratch device folder, removed at the end
    Transcript transcript{stdout};
    bool idle = false;
    bool clockRanOut = false;
};

Run& run() {
    static Run r;
    return r;
}

void removeScratch() {
    std::error_code ec;
    if (!run().scratch.empty())
        fs::remove_all(run().scratch, ec);
    run().scratch.clear();
}

// The device folder of the run. Without --device, a scratch copy of the
// built example; a folder of the source tree's examples/ becomes its built
// copy, so that a run never writes into the source tree.
bool chooseDevice(const std::string& given, fs::path& dir, std::string& from, std::string& error) {
    const fs::path built = fs::path(KESTREL_BINARY_DIR) / "examples";
    std::error_code ec;
    if (given.empty()) {
        fs::path example = built / "jornada720";
        if (!fs::is_directory(example, ec))
            return error = "the built example " + example.string() +
                           " is missing (scripts/build.sh makes it)",
                   false;
        std::string pattern = (fs::temp_directory_path() / "kestrel-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return error = "cannot make a scratch folder in " + fs::temp_directory_path().string(),
                   false;
        run().scratch = pattern;
        dir = run().scratch / "jornada720";
        fs::copy(example, dir, fs::copy_options::recursive, ec);
        if (ec)
            return error = "cannot copy " + example.string() + ": " + ec.message(), false;
        from = "a scratch copy of " + example.string() + " (removed when the run ends)";
        return true;
    }
    fs::path path = fs::weakly_canonical(fs::absolute(given), ec);
    fs::path examples = fs::weakly_canonical(fs::path(KESTREL_SOURCE_DIR) / "examples", ec);
    if (!path.has_filename())
        path = path.parent_path();
    if (path.parent_path() == examples && fs::is_directory(path, ec)) {
        dir = built / path.filename();
        if (!fs::is_directory(dir, ec))
            return error = "--device '" + given + "': examples/" + path.filename().string() +
                           " has no built copy in " + built.string(),
                   false;
        from = dir.string() + " (the built copy of examples/" + path.filename().string() + ")";
        return true;
    }
    dir = given;
    from = given;
    return true;
}

bool checkScreenshotPath(const std::string& file, std::string& error) {
    if (file.empty())
        return true;
    std::error_code ec;
    fs::path folder = fs::absolute(file).parent_path();
    if (!fs::is_directory(folder, ec))
        return error = "--screenshot '" + file + "': there is no folder " + folder.string(), false;
    return true;
}

void screenshot() {
    const std::string& path = run().options.screenshot;
    if (path.empty())
        return;
    std::string error;
    if (!host::renderScreen(path, error))
        std::fprintf(stderr, "kestrel: cannot write the screenshot %s: %s\n", path.c_str(),
                     error.c_str());
}

// Input the run never reached: said before the last line.
void reportLeftoverInput() {
    const auto& left = host::WindowSystem::current().scriptQueue();
    if (left.empty())
        return;
    std::string steps;
    for (const host::InputEvent& e : left)
        steps += (steps.empty() ? "" : ", ") + e.step;
    std::printf("kestrel: %zu input step%s not used: %s\n", left.size(),
                left.size() == 1 ? " was" : "s were", steps.c_str());
}

// Ends the process: the lines still open, the input left, the last line
// (on stdout for a run's end, on stderr for a mistake of the script), the
// screenshot and the scratch folder.
[[noreturn]] void finish(int status, const std::string& lastLine) {
    run().transcript.finish();
    if (host::Machine::active() && host::WindowSystem::current().scriptLeft())
        reportLeftoverInput();
    std::fflush(stdout);
    std::fprintf(status == 2 ? stderr : stdout, "kestrel: %s\n", lastLine.c_str());
    std::fflush(stdout);
    if (host::Machine::active())
        screenshot();
    removeScratch();
    std::fflush(stderr);
    std::_Exit(status);
}

void onJump(const host::ArmCpu::JumpOutcome& o) {
    char line[160];
    if (o.entered && o.halted) {
        std::snprintf(line, sizeof line, "the kernel was entered at 0x%08x and halted at 0x%08x",
                      o.entry, o.pc);
    } else if (o.entered) {
        std::snprintf(line, sizeof line, "the kernel was entered at 0x%08x but did not halt: %s",
                      o.entry, o.reason.c_str());
    } else {
        std::snprintf(line, sizeof line, "the kernel was not entered: %s", o.reason.c_str());
    }
    // The jump leaves Windows CE for good: the run ends here.
    finish(o.entered && o.halted ? 0 : 1, line);
}

void start(host::Machine& machine, const std::string& from) {
    Run& r = run();
    for (const auto& [caption, answer] : r.options.answers)
        machine.addAnswer(caption, answer);
    machine.setViewer([](host::Machine::Channel c, const std::string& bytes) {
        run().transcript.show(c, bytes);
    });
    machine.setStopper([](int status, const std::string& reason) {
        finish(status, status == 2 ? reason : "the kernel was not entered: " + reason);
    });
    const host::MachineProfile& p = machine.profile();
    std::printf("kestrel: %s (%s, %dx%dx%d) from %s\n", p.name.c_str(), p.cpu.c_str(),
                p.screenWidth, p.screenHeight, p.screenDepth, from.c_str());
    std::fflush(stdout);

    host::WindowSystem& windows = host::WindowSystem::current();
    windows.onTextAppended = [](ce::HWND, const std::u16string& text) {
        run().transcript.console(host::toUtf8(text));
    };
    windows.onIdle = [&windows]() {
        run().idle = true;
        run().clockRanOut = windows.timersArmed() != 0;
    };
    windows.onScriptError = [&machine](const host::InputEvent& e, const std::string& problem) {
        machine.stop(2, "input " + e.step + ": " + problem);
    };
    for (host::InputEvent e : r.options.script) {
        if (e.kind == host::InputEvent::TapPoint && e.x < 0) {
            // "close": the command bar's close box, near the top-right corner.
            e.x = p.screenWidth - windows.scaleY(26) / 2;
            e.y = windows.scaleY(26) / 2;
        }
        windows.script(e);
    }
    if (r.options.budget)
        machine.component<host::ArmCpu>().setBudget(r.options.budget);
    host::ArmCpu::setJumpHandler(onJump);
}

}  // namespace

int main(int argc, char** argv) {
    Run& r = run();
    std::string error, from;
    fs::path device;
    if (!parseOptions(argc, argv, r.options, error)) {
        std::fprintf(stderr, "kestrel: %s\n%s", error.c_str(), usageText(false).c_str());
        return 2;
    }
    if (r.options.help) {
        std::fputs(usageText(true).c_str(), stdout);
        return 0;
    }
    if (!checkScreenshotPath(r.options.screenshot, error) ||
        !chooseDevice(r.options.device, device, from, error)) {
        std::fprintf(stderr, "kestrel: %s\n", error.c_str());
        removeScratch();
        return 2;
    }
    // debug.log holds the host's debug channel of the last run only.
    std::error_code ec;
    fs::remove(device / "debug.log", ec);
    if (!host::Machine::open(device, error)) {
        std::fprintf(stderr, "kestrel: %s\n", error.c_str());
        removeScratch();
        return 2;
    }
    host::Machine& machine = host::Machine::current();
    start(machine, from);

    int code = WinMain(ce::GetModuleHandleW(nullptr), nullptr, nullptr, 0);
    // Back in the application: no jump ended the run, so no kernel ran.
    if (r.clockRanOut)
        finish(1,
               "the application was still waiting when an hour of simulated time had passed; "
               "the kernel was not entered");
    if (r.idle)
        finish(1,
               "the application waited for input and the script had none left; "
               "the kernel was not entered");
    finish(1, "the application ended with code " + std::to_string(code) +
                  "; the kernel was not entered");
}
