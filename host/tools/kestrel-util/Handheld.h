// What the commands share: the simulated handheld a directory is read on,
// the backend kind the boot would choose for it, and a console on a stream of
// this PC.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "console/Console.h"

// What the system prints, written to a stream of this PC.
class StreamConsole : public Console {
  public:
    explicit StreamConsole(std::FILE* stream) : Console(Console::kWindow), stream_(stream) {}
    void print(const ce::WCHAR* format, ...) override;

  private:
    std::FILE* stream_;
};

// The backend kind for a directory of the command line, as the Boot object
// chooses it.
uint32_t fileKindFor(const std::string& directory);

// The built-in machines' names, separated by commas.
std::string builtinNames();

// The simulated handheld a command works on; a scratch one goes with the
// object.
class Handheld {
  public:
    Handheld() = default;
    Handheld(const Handheld&) = delete;
    Handheld& operator=(const Handheld&) = delete;
    ~Handheld();

    // Opens the handheld for `directory` and rewrites the directory for it:
    // with `device`, that device folder as it is; a directory of this PC
    // becomes the root "\" of a scratch handheld of the built-in `profile`;
    // an http:// root gets an empty scratch handheld; a disk image file
    // becomes DSK1: of a scratch handheld ("1:/"). A path of this PC that is
    // none of these is an error; anything else (a handheld folder, a disk
    // unit's "N:/...") is read on `fallbackDevice`, or on an empty scratch
    // handheld when that is empty. The system's debug lines go to stderr.
    bool open(std::string& directory, const std::string& device, const std::string& profile,
              const std::string& fallbackDevice, std::string& error);

  private:
    bool openMachine(std::string& directory, const std::string& device, const std::string& profile,
                     const std::string& fallbackDevice, std::string& error);
    bool openScratch(const std::string& profile, const std::filesystem::path& root,
                     std::string& error);
    bool linkDisk(const std::filesystem::path& image, std::string& error);

    std::filesystem::path scratch_;
};
