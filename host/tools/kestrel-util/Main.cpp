// kestrel-util: what a person preparing a boot needs on a PC.
#include <cstdio>
#include <cstring>

#include "CommandLine.h"
#include "Commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const Arguments&);
    const char* usage;
};

const Command kCommands[] = {
    {"config", configCommand,
     "config show FILE                 every field of a kestrel.cnf\n"
     "  config set FILE FIELD=VALUE...   change fields (creates the file from the defaults)"},
    {"cat", catCommand,
     "cat [--device DEVICE] DIR NAME   a file's content, read and gunzipped as the boot reads it"},
    {"plan", planCommand,
     "plan [--device DEVICE | --profile NAME] DIR NAME [IMAGE]\n"
     "                                   the loader's steps for a kernel, then a check that the\n"
     "                                   chain puts every byte where the ELF file says"},
};

void usage(std::FILE* out) {
    std::fprintf(out, "usage: kestrel-util COMMAND ...\n");
    for (const Command& c : kCommands)
        std::fprintf(out, "  %s\n", c.usage);
    std::fprintf(out,
                 "kestrel-util COMMAND --help explains a command.\n"
                 "Exit status: 0 done; 1 the command failed (the reason is on stderr);\n"
                 "2 a mistake in the command line.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage(stderr);
        return kStatusUsage;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") ||
        !std::strcmp(argv[1], "help")) {
        usage(stdout);
        return kStatusOk;
    }
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) == 0)
            return c.run(Arguments(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "kestrel-util: unknown command '%s' (config, cat or plan)\n", argv[1]);
    usage(stderr);
    return kStatusUsage;
}
