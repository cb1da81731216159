// kestrel-util: what a person preparing a boot needs on a PC.
#include <cstdio>
#include <cstring>

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

int usage() {
    std::fprintf(stderr, "usage: kestrel-util COMMAND ...\n");
    for (const Command& c : kCommands)
        std::fprintf(stderr, "  %s\n", c.usage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) == 0)
            return c.run(Arguments(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "kestrel-util: unknown command '%s'\n", argv[1]);
    return usage();
}
