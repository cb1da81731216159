// kestrel: the system on a simulated handheld.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "boot/Boot.h"
#include "boot/MenuInterface.h"
#include "console/Console.h"
#include "machine/ArmCpu.h"
#include "machine/Machine.h"

namespace {

struct Options {
    std::string device = KESTREL_SOURCE_DIR "/examples/jornada720";
    bool pressBoot = false;
    std::string screenshot;
    long budget = 0;
};

int usage() {
    std::fprintf(stderr,
                 "usage: kestrel [--device DIR] [--press boot] [--answer CAPTION=yes|no]...\n"
                 "               [--screenshot FILE] [--budget N]\n");
    return 2;
}

bool parse(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return error = a + " needs a value", false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--device") {
            if (!value(o.device)) return false;
        } else if (a == "--press") {
            if (!value(v)) return false;
            if (v != "boot") return error = "--press knows only 'boot'", false;
            o.pressBoot = true;
        } else if (a == "--answer") {
            if (!value(v)) return false;
            if (v.find('=') == std::string::npos) return error = "--answer CAPTION=yes|no", false;
        } else if (a == "--screenshot") {
            if (!value(o.screenshot)) return false;
        } else if (a == "--budget") {
            if (!value(v)) return false;
            o.budget = std::strtol(v.c_str(), nullptr, 0);
        } else {
            return error = "unknown option " + a, false;
        }
    }
    return true;
}

void applyAnswers(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--answer") != 0) continue;
        std::string v = argv[++i];
        size_t eq = v.find('=');
        host::Machine::current().setAnswer(v.substr(0, eq), v.substr(eq + 1));
    }
}

// The jump leaves Windows CE for good: whatever the kernel did, the run ends
// here with a line saying how far it got.
void endRun(const host::ArmCpu::JumpOutcome& o) {
    std::fflush(stdout);
    host::Machine::current().out().flush();
    if (o.entered && o.halted) {
        std::printf("\nkestrel: the kernel was entered at 0x%08x and halted at 0x%08x\n", o.entry,
                    o.pc);
        std::fflush(stdout);
        std::_Exit(0);
    }
    if (o.entered) {
        std::printf("\nkestrel: the kernel was entered at 0x%08x but did not halt: %s\n", o.entry,
                    o.reason.c_str());
    } else {
        std::printf("\nkestrel: the kernel was not entered: %s\n", o.reason.c_str());
    }
    std::fflush(stdout);
    std::_Exit(1);
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
    applyAnswers(argc, argv);
    const host::MachineProfile& p = host::Machine::current().profile();
    std::printf("kestrel: %s (%s, %dx%dx%d) from %s\n", p.name.c_str(), p.cpu.c_str(),
                p.screenWidth, p.screenHeight, p.screenDepth, options.device.c_str());
    if (options.budget > 0) {
        host::Machine::current().component<host::ArmCpu>().setBudget(uint64_t(options.budget));
    }
    host::ArmCpu::setJumpHandler(&endRun);
    MenuInterface* menu = MenuInterface::instance();
    Boot::instance();
    if (options.pressBoot) menu->boot();
    Boot::destroyInstance();
    Console::destroy();
    MenuInterface::destroyInstance();
    std::printf("kestrel: the kernel was not entered\n");
    return 1;
}
