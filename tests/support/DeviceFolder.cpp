#include "support/DeviceFolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "boot/MenuInterface.h"
#include "console/Com1.h"
#include "console/Console.h"

namespace testing_support {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "kestrel-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    if (!made)
        ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

int run(const std::string& command) {
    int status = std::system(command.c_str());
    if (status == -1)
        ADD_FAILURE() << "cannot run: " << command;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

DeviceFolder::DeviceFolder(const std::string& profile, const std::string& extra, bool storageCard) {
    resetSystem();
    std::string pattern = (fs::temp_directory_path() / "kestrel-device-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        ADD_FAILURE() << "mkdtemp failed";
    dir_ = pattern;
    fs::create_directories(dir_ / "root");
    fs::create_directories(dir_ / "disks");
    if (storageCard)
        fs::create_directories(card());
    writeBytes(dir_ / "machine.conf", "profile = " + profile + "\ncom1 = none\n" + extra + "\n");
    std::string error;
    if (!host::Machine::open(dir_, error))
        ADD_FAILURE() << error;
    host::Machine::current().setOut(&out_);
}

DeviceFolder::~DeviceFolder() {
    resetSystem();
    host::Machine::close();
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

void DeviceFolder::writeFile(const std::string& relative, const std::string& bytes) const {
    writeBytes(root() / relative, bytes);
}

std::string DeviceFolder::readFile(const std::string& relative) const {
    return readBytes(root() / relative);
}

}  // namespace testing_support

namespace testing_support {

ToolResult runTool(const std::string& program, const std::string& args) {
    TempDir dir;
    std::string out = (dir.path() / "stdout").string(), err = (dir.path() / "stderr").string();
    std::string binary = std::string(KESTREL_BINARY_DIR) + "/host/tools/" + program;
    int status = run(binary + " " + args + " >'" + out + "' 2>'" + err + "'");
    return {status, readBytes(out), readBytes(err)};
}

}  // namespace testing_support
