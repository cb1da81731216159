#include "Handheld.h"

#include <stdlib.h>

#include <cstdarg>

#include "file/FileManager.h"
#include "machine/Machine.h"
#include "machine/MachineProfile.h"

namespace fs = std::filesystem;

void StreamConsole::print(const ce::WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    this->format(format, args);
    va_end(args);
    std::fputs(host::toUtf8(line()).c_str(), stream_);
}

uint32_t fileKindFor(const std::string& directory) {
    return FileManager::kindFor(host::fromUtf8(directory).c_str());
}

std::string builtinNames() {
    std::string names;
    for (const std::string& n : host::MachineProfile::builtinNames())
        names += (names.empty() ? "" : ", ") + n;
    return names;
}

Handheld::~Handheld() {
    host::Machine::close();
    std::error_code ec;
    if (!scratch_.empty())
        fs::remove_all(scratch_, ec);  // removes the links, not what they point to
}

namespace {

// A UFS directory of a disk unit: "2:/boot/".
bool isDiskUnitPath(const std::string& directory) {
    return directory.size() >= 2 && directory[0] >= '1' && directory[0] <= '9' &&
           directory[1] == ':';
}

}  // namespace

bool Handheld::open(std::string& directory, const std::string& device, const std::string& profile,
                    const std::string& fallbackDevice, std::string& error) {
    if (!openMachine(directory, device, profile, fallbackDevice, error))
        return false;
    // The system's debug channel explains some failures: here it belongs
    // with the messages on stderr, not in a file of the device folder.
    host::Machine::current().setDebugSink(
        [](const std::string& text) { std::fputs(text.c_str(), stderr); });
    return true;
}

bool Handheld::openMachine(std::string& directory, const std::string& device,
                           const std::string& profile, const std::string& fallbackDevice,
                           std::string& error) {
    if (!device.empty())
        return host::Machine::open(device, error);
    std::error_code ec;
    if (fileKindFor(directory) == FileManager::kHttp)
        return openScratch(profile, "", error);  // the server needs no device files
    if (fs::is_directory(directory, ec)) {
        fs::path onThisPc = directory;
        directory = "\\";
        return openScratch(profile, onThisPc, error);
    }
    if (fs::is_regular_file(directory, ec)) {
        fs::path image = directory;
        directory = "1:/";
        return openScratch(profile, "", error) && linkDisk(image, error);
    }
    if (fileKindFor(directory) != FileManager::kLocal && !isDiskUnitPath(directory))
        return error = "there is no directory or disk image " + directory +
                       " on this PC (a UFS directory of a handheld starts with its disk unit, "
                       "such as 1:/boot/)",
               false;
    if (fallbackDevice.empty())
        return openScratch(profile, "", error);
    if (host::Machine::open(fallbackDevice, error))
        return true;
    error = directory + " is no directory of this PC, and the bundled device: " + error;
    return false;
}

bool Handheld::openScratch(const std::string& profileName, const fs::path& root,
                           std::string& error) {
    host::MachineProfile profile;
    if (!host::MachineProfile::builtin(profileName, profile))
        return error = "unknown built-in machine " + profileName + " (" + builtinNames() + ")",
               false;
    std::string pattern = (fs::temp_directory_path() / "kestrel-util-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return error = "cannot make a scratch device folder", false;
    scratch_ = pattern;
    std::error_code ec;
    if (root.empty()) {
        fs::create_directory(scratch_ / "root", ec);
    } else {
        fs::create_directory_symlink(fs::absolute(root), scratch_ / "root", ec);
    }
    if (ec)
        return error = "cannot link " + root.string() + ": " + ec.message(), false;
    host::Machine::openWith(scratch_, profile);
    return true;
}

bool Handheld::linkDisk(const fs::path& image, std::string& error) {
    std::error_code ec;
    fs::create_directory(scratch_ / "disks", ec);
    fs::create_symlink(fs::absolute(image), scratch_ / "disks" / "DSK1.img", ec);
    if (ec)
        return error = "cannot link " + image.string() + ": " + ec.message(), false;
    return true;
}
