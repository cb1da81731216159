#include "CommandLine.h"

#include <cstdio>
#include <cstring>

bool splitCommandLine(const Arguments& args, std::initializer_list<const char*> valued,
                      CommandLine& out, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out.help = true;
            continue;
        }
        if (a.size() < 3 || a.compare(0, 2, "--") != 0) {
            out.words.push_back(a);
            continue;
        }
        bool known = false;
        for (const char* v : valued)
            known = known || a == v;
        if (!known) {
            error = "unknown option " + a;
            return false;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            error = a + " needs a value";
            return false;
        }
        out.options[a] = args[++i];
    }
    return true;
}

int usageError(const char* command, const std::string& error, const char* usage) {
    std::fprintf(stderr, "kestrel-util %s: %s\n%s", command, error.c_str(), usage);
    return kStatusUsage;
}

int showUsage(const char* usage) {
    std::fputs(usage, stdout);
    return kStatusOk;
}
