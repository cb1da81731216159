// cat: reads a file through the system's own file-manager stack (the gzip
// layer over the backend the boot would choose) and writes its content to
// standard output, so that a kernel or image can be checked from a PC.
#include <stdlib.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "console/Console.h"
#include "file/FileManager.h"
#include "machine/Machine.h"
#include "machine/MachineProfile.h"
#include "platform/ce/CeText.h"

namespace {

namespace fs = std::filesystem;

// What the system prints goes to standard error, keeping standard output
// for the content.
class StderrConsole : public Console {
  public:
    StderrConsole() : Console(Console::kWindow) {}
    void print(const ce::WCHAR* format, ...) override {
        va_list args;
        va_start(args, format);
        this->format(format, args);
        va_end(args);
        std::fputs(host::toUtf8(line()).c_str(), stderr);
    }
};

int fail(const std::string& message) {
    std::fprintf(stderr, "kestrel-util cat: %s\n", message.c_str());
    return 1;
}

int usage() {
    return fail(
        "usage: cat [--device DEVICE] DIR NAME\n"
        "  DIR: a directory of this PC, an http:// root, or (with the device folder\n"
        "  DEVICE, the bundled example by default) a handheld directory such as\n"
        "  '\\Storage Card\\' or a UFS directory such as '2:/boot/', or a disk image\n"
        "  file (the disk DSK1: of a scratch handheld; NAME is a UFS path)");
}

// The backend kind for a directory, as the boot chooses it.
uint32_t kindFor(const std::string& directory) {
    if (directory.find("http://") != std::string::npos)
        return FileManager::kHttp;
    if (directory.find('/') != std::string::npos)
        return FileManager::kUfs;
    return FileManager::kLocal;
}

// A simulated handheld whose root "\" is a directory of this PC (a scratch
// device folder whose root/ links to it), or an empty one when no directory
// is given. Removed when the object goes.
class LinkedDevice {
  public:
    // A handheld whose disk DSK1: is `image`.
    bool openDisk(const fs::path& image, std::string& error) {
        if (!open("", error))
            return false;
        std::error_code ec;
        fs::create_directory(dir_ / "disks", ec);
        fs::create_symlink(fs::absolute(image), dir_ / "disks" / "DSK1.img", ec);
        if (ec)
            return error = "cannot link " + image.string() + ": " + ec.message(), false;
        return true;
    }
    bool open(const fs::path& hostDirectory, std::string& error) {
        std::string pattern = (fs::temp_directory_path() / "kestrel-cat-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return error = "cannot make a scratch device folder", false;
        dir_ = pattern;
        std::error_code ec;
        if (hostDirectory.empty()) {
            fs::create_directory(dir_ / "root", ec);
        } else {
            fs::create_directory_symlink(fs::absolute(hostDirectory), dir_ / "root", ec);
        }
        if (ec)
            return error = "cannot link " + hostDirectory.string() + ": " + ec.message(), false;
        host::MachineProfile profile;
        host::MachineProfile::builtin("jornada720", profile);
        host::Machine::openWith(dir_, profile);
        return true;
    }
    ~LinkedDevice() {
        host::Machine::close();
        std::error_code ec;
        if (!dir_.empty())
            fs::remove_all(dir_, ec);  // removes the link, not what it points to
    }

  private:
    fs::path dir_;
};

bool copyContent(FileManager& files, std::string& error) {
    std::vector<char> buffer(1 << 16);
    uint64_t total = 0;
    for (;;) {
        int32_t n =
            files.read(buffer.data(), uint32_t(buffer.size()), FileManager::kCurrentPosition);
        if (n < 0) {
            error = "read failed after " + std::to_string(total) +
                    " bytes (damaged compressed data or an unreadable file)";
            return false;
        }
        if (n == 0)
            return true;
        if (std::fwrite(buffer.data(), 1, size_t(n), stdout) != size_t(n)) {
            error = "cannot write to standard output";
            return false;
        }
        total += uint64_t(n);
    }
}

// Opens the simulated handheld to read DIR on. A directory of this PC
// becomes the root "\" of a scratch handheld, and `directory` becomes "\".
bool openMachine(std::string& directory, const std::string& device, LinkedDevice& linked,
                 std::string& error) {
    std::error_code ec;
    bool http = kindFor(directory) == FileManager::kHttp;
    if (device.empty() && !http && fs::is_directory(directory, ec)) {
        fs::path onThisPc = directory;
        directory = "\\";
        return linked.open(onThisPc, error);
    }
    if (device.empty() && http)
        return linked.open("", error);  // the server needs no device files
    if (device.empty() && fs::is_regular_file(directory, ec)) {
        fs::path image = directory;
        directory = "1:/";
        return linked.openDisk(image, error);
    }
    std::string folder = device.empty() ? KESTREL_SOURCE_DIR "/examples/jornada720" : device;
    if (host::Machine::open(folder, error))
        return true;
    if (device.empty())
        error = directory + " is no directory of this PC, and the bundled device: " + error;
    return false;
}

}  // namespace

int catCommand(const Arguments& args) {
    std::string device;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--device" && i + 1 < args.size()) {
            device = args[++i];
        } else {
            rest.push_back(args[i]);
        }
    }
    if (rest.size() != 2)
        return usage();
    std::string directory = rest[0], error;
    LinkedDevice linked;
    if (!openMachine(directory, device, linked, error))
        return fail(error);
    host::Machine::current().setOut(&std::cerr);

    StderrConsole console;
    Console* slot = &console;
    uint32_t kind = kindFor(directory);
    std::unique_ptr<FileManager> files(FileManager::create(slot, kind));
    if (!files)
        return fail("no reader for " + directory + " (kind " + std::to_string(kind) + ")");
    std::u16string wideDirectory = host::fromUtf8(directory), name = host::fromUtf8(rest[1]);
    if (!files->setRoot(wideDirectory.c_str()) || !files->open(name.c_str(), 3))
        return 1;  // the system said why
    bool copied = copyContent(*files, error);
    files->close();
    std::fflush(stdout);
    return copied ? 0 : fail(error);
}
