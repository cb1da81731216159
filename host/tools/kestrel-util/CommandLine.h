// The option handling the commands share: "--name VALUE" options before or
// among the positional words, --help, and usage errors that name the option
// and what it accepts (status 2).
#pragma once

#include <initializer_list>
#include <map>
#include <string>

#include "Commands.h"

struct CommandLine {
    std::map<std::string, std::string> options;  // "--device" -> its value
    Arguments words;                             // the positional words
    bool help = false;
};

// Splits `args`; `valued` are the options that take a value. False with an
// error for an unknown option or one without its value.
bool splitCommandLine(const Arguments& args, std::initializer_list<const char*> valued,
                      CommandLine& out, std::string& error);

// Exit statuses of kestrel-util.
constexpr int kStatusOk = 0;
constexpr int kStatusFailed = 1;
constexpr int kStatusUsage = 2;

// Prints "kestrel-util COMMAND: error" and the command's usage on stderr;
// returns kStatusUsage.
int usageError(const char* command, const std::string& error, const char* usage);
// Prints the command's usage on stdout (for --help); returns kStatusOk.
int showUsage(const char* usage);
