// plan: a boot on a simulated handheld up to the jump. The system's own
// preparation runs (the steps "0" to "10", the placement, the reservation,
// the links, the boot arguments and the check of the finished chain), with
// what it prints on standard output; then the chain is walked as the
// second-stage loader will walk it and every byte the ELF file (and the
// file-system image) asks for is looked for at its physical address.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Commands.h"
#include "Handheld.h"
#include "boot/Boot.h"
#include "boot/BootAttempt.h"
#include "boot/MenuInterface.h"
#include "console/Console.h"
#include "file/FileManager.h"
#include "loader/Loader.h"
#include "machine/ChainWalker.h"
#include "machine/KernelLayout.h"
#include "machine/Machine.h"
#include "machine/MachineProfile.h"
#include "machine/PhysicalImage.h"
#include "machine/PhysicalMemory.h"
#include "platform/ce/CeText.h"

namespace {

// What the OS's own RAM holds in the walked copy, so that zero fills show.
constexpr uint8_t kOsFill = 0xA5;

int fail(const std::string& message) {
    std::fprintf(stderr, "kestrel-util plan: %s\n", message.c_str());
    return 1;
}

const char kUsage[] =
    "usage: kestrel-util plan [--device DEVICE | --profile NAME] DIR NAME [IMAGE]\n"
    "  DIR: a directory of this PC (on a handheld of the built-in profile NAME,\n"
    "  jornada720 by default), an http:// root, or a directory of the device\n"
    "  folder DEVICE such as '\\Storage Card\\'\n";

void copyName(ce::WCHAR* to, const std::string& name) {
    std::u16string wide = host::fromUtf8(name);
    ce::wcsncpy(to, reinterpret_cast<const ce::WCHAR*>(wide.c_str()), ce::MAX_PATH - 1);
    to[ce::MAX_PATH - 1] = 0;
}

// The request as the Main page would have stored it on this handheld.
void request(const std::string& directory, const std::string& kernel, const std::string& image) {
    BootSettings& s = MenuInterface::instance()->settings();
    const host::MachineProfile& profile = host::Machine::current().profile();
    s.cpuId = profile.cpuWord;
    s.machineId = profile.machineWord;
    copyName(s.directory, directory);
    copyName(s.kernelName, kernel);
    if (!image.empty()) {
        s.rootDevice = kRootMd;
        copyName(s.imageName, image);
    } else if (s.rootDevice == kRootMd) {
        s.rootDevice = kRootSd;
    }
    s.pauseBeforeBoot = 0;
    s.serialConsole = 0;  // the plan's report goes to standard output, not the UART
}

// The whole content of a file of the boot's file manager, in one pass: a
// gzip'd file is decoded once more, not twice as realSize and a read would.
bool readAll(FileManager& files, const std::string& name, std::string& bytes) {
    std::u16string wide = host::fromUtf8(name);
    if (!files.open(reinterpret_cast<const ce::WCHAR*>(wide.c_str()), FileManager::kOpenMode))
        return false;
    bytes.clear();
    char piece[1 << 16];
    int32_t n;
    while ((n = files.read(piece, sizeof piece, FileManager::kCurrentPosition)) > 0)
        bytes.append(piece, size_t(n));
    files.close();
    return n == 0;
}

int check(Boot& boot, const std::string& kernel, const std::string& image) {
    std::string kernelBytes, imageBytes, error;
    if (!readAll(*boot.fileManager, kernel, kernelBytes) ||
        (!image.empty() && !readAll(*boot.fileManager, image, imageBytes)))
        return fail("cannot read the kernel or the image again");
    host::KernelLayout layout;
    if (!host::KernelLayout::fromElf(kernelBytes, layout, error))
        return fail(error);
    if (!image.empty())
        layout.addImage(imageBytes);
    host::Machine& machine = host::Machine::current();
    auto& ram = machine.component<host::PhysicalMemory>();
    host::PhysicalImage copy(ram);
    for (const auto& range : ram.reservedRanges())
        std::memset(copy.at(range.base, range.size), kOsFill, range.size);
    bool pxa = !machine.profile().isStrongArm();
    host::ChainWalker::Result walked = host::ChainWalker(pxa).walk(copy, boot.loader->listHead());
    std::printf("walk: %u links, last end 0x%08x, stack 0x%08x\n", walked.links, walked.lastEnd,
                walked.stackPointer);
    std::vector<std::string> problems = walked.faults;
    for (const std::string& p : layout.compare(copy, pxa))
        problems.push_back(p);
    if (!walked.ended)
        problems.push_back("the chain does not end");
    for (const std::string& p : problems)
        std::printf("  %s\n", p.c_str());
    if (!problems.empty()) {
        std::printf("NOT in place: %zu problem(s)\n", problems.size());
        return 1;
    }
    std::printf("every loaded byte in place: %llu bytes in %zu pieces%s\n",
                static_cast<unsigned long long>(layout.byteCount()), layout.pieces().size(),
                layout.hasSymbols() ? " (with the symbol block)" : "");
    return 0;
}

// The system's objects for one plan, gone with it.
class PlanSystem {
  public:
    PlanSystem() { Console::changeConsole(&console_); }
    ~PlanSystem() {
        Boot::destroyInstance();
        MenuInterface::destroyInstance();
        Console::changeConsole(nullptr);
    }

  private:
    StreamConsole console_{stdout};
};

}  // namespace

int planCommand(const Arguments& args) {
    CommandLine line;
    std::string error;
    if (!splitCommandLine(args, {"--device", "--profile"}, line, error))
        return usageError("plan", error, kUsage);
    if (line.help)
        return showUsage(kUsage);
    std::string device = line.options["--device"];
    std::string profile =
        line.options.count("--profile") ? line.options["--profile"] : "jornada720";
    const Arguments& rest = line.words;
    host::MachineProfile known;
    if (!host::MachineProfile::builtin(profile, known))
        return usageError(
            "plan", "--profile '" + profile + "': the built-in machines are " + builtinNames(),
            kUsage);
    if (!device.empty() && line.options.count("--profile"))
        return usageError("plan", "--device and --profile exclude each other", kUsage);
    if (rest.size() < 2 || rest.size() > 3)
        return usageError("plan", "expected DIR, NAME and perhaps IMAGE", kUsage);
    std::string directory = rest[0];
    std::string kernel = rest[1], image = rest.size() == 3 ? rest[2] : "";
    Handheld handheld;
    if (!handheld.open(directory, device, profile, "", error))
        return fail(error);
    host::Machine::current().setOut(&std::cout);
    PlanSystem system;
    request(directory, kernel, image);
    Boot& boot = *Boot::instance();
    BootAttempt attempt(boot, *MenuInterface::instance());
    bool prepared = attempt.prepare();
    std::fflush(stdout);
    if (!prepared) {
        std::string reason = host::toUtf8(attempt.failure() ? attempt.failure() : u"?");
        attempt.fail();
        std::fflush(stdout);
        return fail(reason.substr(0, reason.find_last_not_of('\n') + 1));
    }
    int status = check(boot, kernel, image);
    std::fflush(stdout);
    return status;
}
