// kestrel's command line: the device folder, the answers to message boxes,
// the input script and where the run may go.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ce/WindowSystem.h"

struct Options {
    std::string device;  // empty: a scratch copy of the built example
    std::vector<std::pair<std::string, std::string>> answers;  // in the order given
    std::vector<host::InputEvent> script;
    std::string screenshot;
    uint64_t budget = 0;  // 0: the CPU's default
    bool help = false;
};

// Parses the arguments. False with an error that names the option and what
// it accepts.
bool parseOptions(int argc, char** argv, Options& options, std::string& error);

// The usage text (`full`: with every option explained, for --help).
std::string usageText(bool full);
