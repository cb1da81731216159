// A simulated handheld for one test: a temporary device folder with a
// machine.conf, a root/ with a storage card, opened as the current machine.
// What the machine shows (message boxes, COM1) is captured in out().
#pragma once

#include <filesystem>
#include <sstream>
#include <string>

#include "machine/Machine.h"

namespace testing_support {

class DeviceFolder {
  public:
    // `profile`: a built-in machine; `extra`: more machine.conf lines.
    explicit DeviceFolder(const std::string& profile = "jornada720", const std::string& extra = "",
                          bool storageCard = true);
    ~DeviceFolder();
    DeviceFolder(const DeviceFolder&) = delete;
    DeviceFolder& operator=(const DeviceFolder&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path root() const { return dir_ / "root"; }
    std::filesystem::path card() const { return dir_ / "root" / "Storage Card"; }
    // Writes a file under root/ ("Storage Card/keldos" and the like).
    void writeFile(const std::string& relative, const std::string& bytes) const;
    std::string readFile(const std::string& relative) const;
    std::string out() const { return out_.str(); }
    host::Machine& machine() const { return host::Machine::current(); }

  private:
    std::filesystem::path dir_;
    std::ostringstream out_;
};

// Returns the process-wide objects of the system to their start-up state
// (no settings object, no console, COM1 not opened, ...).
void resetSystem();

// A scratch directory removed when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::string& bytes);
// Runs a shell command; returns its exit status (fails the test on -1).
int run(const std::string& command);

}  // namespace testing_support

namespace testing_support {

struct ToolResult {
    int status;
    std::string out;
    std::string err;
};

// Runs build/host/tools/<program> with `args` (shell words) and returns its
// exit status and what it wrote to stdout and stderr.
ToolResult runTool(const std::string& program, const std::string& args);

}  // namespace testing_support
