// The subcommands of kestrel-util. Each takes the arguments after its name
// and returns the process exit status.
#pragma once

#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

int configCommand(const Arguments& args);
int catCommand(const Arguments& args);
int planCommand(const Arguments& args);
