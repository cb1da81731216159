// cat: reads a file through the system's own file-manager stack (the gzip
// layer over the backend the boot would choose) and writes its content to
// standard output, so that a kernel or image can be checked from a PC.
#include <stdlib.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Commands.h"
#include "Handheld.h"
#include "console/Console.h"
#include "file/FileManager.h"
#include "file/gzip/GzipFileManager.h"
#include "file/http/HttpFileManager.h"
#include "machine/Machine.h"
#include "machine/MachineProfile.h"
#include "platform/ce/CeText.h"

namespace {

namespace fs = std::filesystem;

int fail(const std::string& message) {
    std::fprintf(stderr, "kestrel-util cat: %s\n", message.c_str());
    return kStatusFailed;
}

const char kUsage[] =
    "usage: kestrel-util cat [--device DEVICE] DIR NAME\n"
    "  DIR: a directory of this PC, an http:// root, a disk image file (the disk\n"
    "  DSK1: of a scratch handheld; NAME is a UFS path), or a directory of the\n"
    "  handheld DEVICE (the built example jornada720 by default): a folder such\n"
    "  as '\\Storage Card\\' or a UFS directory of a disk unit such as '2:/boot/'\n";

bool copyContent(FileManager& files, std::string& error) {
    std::vector<char> buffer(1 << 16);
    uint64_t total = 0;
    for (;;) {
        int32_t n =
            files.read(buffer.data(), uint32_t(buffer.size()), FileManager::kCurrentPosition);
        if (n < 0) {
            error = "read failed after " + std::to_string(total) +
                    " bytes (damaged compressed data or an unreadable file)";
            return false;
        }
        if (n == 0)
            return true;
        if (std::fwrite(buffer.data(), 1, size_t(n), stdout) != size_t(n)) {
            error = "cannot write to standard output";
            return false;
        }
        total += uint64_t(n);
    }
}

}  // namespace

int catCommand(const Arguments& args) {
    CommandLine line;
    std::string error;
    if (!splitCommandLine(args, {"--device"}, line, error))
        return usageError("cat", error, kUsage);
    if (line.help)
        return showUsage(kUsage);
    if (line.words.size() != 2)
        return usageError("cat", "expected DIR and NAME", kUsage);
    std::string device = line.options["--device"];
    std::string directory = line.words[0];
    Handheld handheld;
    if (!handheld.open(directory, device, "jornada720", KESTREL_BINARY_DIR "/examples/jornada720",
                       error))
        return fail(error);
    host::Machine::current().setOut(&std::cerr);

    StreamConsole console(stderr);
    Console* slot = &console;
    uint32_t kind = fileKindFor(directory);
    // The web-server backend is kept at hand to ask for the answer's status.
    HttpFileManager* web = kind == FileManager::kHttp ? new HttpFileManager(slot) : nullptr;
    std::unique_ptr<FileManager> files(web ? new GzipFileManager(slot, web)
                                           : FileManager::create(slot, kind));
    if (!files)
        return fail("no reader for " + directory + " (kind " + std::to_string(kind) + ")");
    std::u16string wideDirectory = host::fromUtf8(directory), name = host::fromUtf8(line.words[1]);
    if (!files->setRoot(wideDirectory.c_str()))
        return fail("cannot use " + directory + " (the lines above say why)");
    if (!files->open(name.c_str(), 3))
        return fail("cannot open " + line.words[1] + " in " + directory +
                    " (the lines above say why)");
    bool copied = copyContent(*files, error);
    files->close();
    std::fflush(stdout);
    if (!copied)
        return fail(error);
    // The system takes any answer as the content; a person wants to know.
    uint32_t status = web ? web->lastStatus() : 200;
    if (status < 200 || status > 299)
        return fail("the server answered HTTP status " + std::to_string(status) +
                    "; what it sent was written as the content");
    return 0;
}
