// config show|set: read and prepare a kestrel.cnf on a PC.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "CommandLine.h"
#include "Commands.h"
#include "boot/BootSettings.h"
#include "boot/SettingsReader.h"
#include "machine/Machine.h"
#include "platform/PlatformTable.h"

namespace {

enum class Type { Number, Flag, Text };

struct Field {
    const char* name;
    size_t offset;
    Type type;
    uint32_t limit;  // highest number, or text capacity in units (terminator included)
    bool settable;
};

#define FIELD(name, type, limit, settable)                               \
    Field {                                                              \
#name, offsetof(BootSettings, name), Type::type, limit, settable \
    }

const Field kFields[] = {
    FIELD(magic, Number, 0xFFFFFFFF, false),
    FIELD(version, Number, 0xFFFFFFFF, true),
    FIELD(size, Number, 0xFFFFFFFF, false),
    FIELD(reserved, Number, 0xFFFFFFFF, true),
    FIELD(directorySaved, Flag, 1, true),
    FIELD(directory, Text, 260, true),
    FIELD(kernelNameSaved, Flag, 1, true),
    FIELD(kernelName, Text, 260, true),
    FIELD(cpuId, Number, 0xFFFFFFFF, true),
    FIELD(machineId, Number, 0xFFFFFFFF, true),
    FIELD(rootDevice, Number, 5, true),
    FIELD(imageName, Text, 260, true),
    FIELD(serialConsole, Flag, 1, true),
    FIELD(verbose, Flag, 1, true),
    FIELD(singleUser, Flag, 1, true),
    FIELD(askName, Flag, 1, true),
    FIELD(kernelDebugger, Flag, 1, true),
    FIELD(autoBootSeconds, Number, 0x7FFFFFFF, true),
    FIELD(reverseVideo, Flag, 1, true),
    FIELD(pauseBeforeBoot, Flag, 1, true),
    FIELD(loadDebugInfo, Flag, 1, true),
    FIELD(safetyMessage, Flag, 1, true),
    FIELD(serialSpeed, Number, 0xFFFFFFFF, true),
    FIELD(extraOptions, Text, 256, true),
};

const char* const kRootNames[] = {"wd", "sd", "md", "nfs", "dk", "ld"};

uint32_t& number(BootSettings& s, const Field& f) {
    return *reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(&s) + f.offset);
}

char16_t* text(BootSettings& s, const Field& f) {
    return reinterpret_cast<char16_t*>(reinterpret_cast<char*>(&s) + f.offset);
}

std::string show(BootSettings& s, const Field& f) {
    char buffer[64];
    if (f.type == Type::Text) {
        std::u16string value;
        for (uint32_t i = 0; i < f.limit && text(s, f)[i]; ++i)
            value += text(s, f)[i];
        return "\"" + host::toUtf8(value) + "\"";
    }
    uint32_t v = number(s, f);
    if (f.type == Type::Flag)
        return std::to_string(v);
    bool hex = !std::strcmp(f.name, "magic") || !std::strcmp(f.name, "cpuId") ||
               !std::strcmp(f.name, "machineId");
    std::snprintf(buffer, sizeof buffer, hex ? "0x%08x" : "%u", v);
    std::string out = buffer;
    if (!std::strcmp(f.name, "rootDevice") && v < 6)
        out += std::string(" (") + kRootNames[v] + ")";
    return out;
}

const Field* findField(const std::string& name) {
    for (const Field& f : kFields) {
        if (name == f.name)
            return &f;
    }
    return nullptr;
}

// The file through the system's own reader, so that what is shown is what a
// boot would use.
bool readRecord(const std::string& path, BootSettings& s, SettingsReader::Result& result,
                std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return error = "cannot open " + path, false;
    std::string bytes;
    bytes.resize(BootSettings::kSize);
    in.read(bytes.data(), std::streamsize(bytes.size()));
    bytes.resize(size_t(in.gcount()));
    result = SettingsReader::read(reinterpret_cast<const uint8_t*>(bytes.data()),
                                  uint32_t(bytes.size()), s);
    if (!result.accepted) {
        return error = path + ": not a kestrel configuration file (no magic 53 57 7d 17)", false;
    }
    return true;
}

bool parseValue(BootSettings& s, const Field& f, const std::string& value, std::string& error) {
    if (!f.settable)
        return error = std::string(f.name) + " cannot be changed", false;
    if (f.type == Type::Text) {
        std::u16string wide = host::fromUtf8(value);
        if (wide.size() + 1 > f.limit) {
            return error = std::string(f.name) + " is too long (at most " +
                           std::to_string(f.limit - 1) + " characters)",
                   false;
        }
        std::memset(text(s, f), 0, f.limit * 2);
        std::copy(wide.begin(), wide.end(), text(s, f));
        if (f.offset == offsetof(BootSettings, directory))
            s.directorySaved = 1;
        if (f.offset == offsetof(BootSettings, kernelName))
            s.kernelNameSaved = 1;
        return true;
    }
    if (f.offset == offsetof(BootSettings, rootDevice)) {
        for (uint32_t i = 0; i < 6; ++i) {
            if (value == kRootNames[i])
                return number(s, f) = i, true;
        }
    }
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(value.c_str(), &end, 0);
    if (value.empty() || *end || errno || value[0] == '-' || v > f.limit) {
        std::string accepted = "0 to " + std::to_string(f.limit);
        if (f.offset == offsetof(BootSettings, rootDevice))
            accepted += ", or wd, sd, md, nfs, dk, ld";
        return error =
                   "bad value for " + std::string(f.name) + ": '" + value + "' (" + accepted + ")",
               false;
    }
    number(s, f) = uint32_t(v);
    return true;
}

bool writeRecord(const std::string& path, const BootSettings& s, std::string& error) {
    // Written beside the file and renamed over it, so a failure never leaves
    // a half-written configuration behind.
    std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(&s), sizeof s);
        if (!out) {
            std::remove(temporary.c_str());
            return error = "cannot write " + path, false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::remove(temporary.c_str());
        return error = "cannot write " + path + ": " + ec.message(), false;
    }
    return true;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "kestrel-util config: %s\n", message.c_str());
    return 1;
}

// The platform the Main page shows (and a boot then uses) for the pair.
std::string platformLine(const BootSettings& s) {
    int index = selectablePlatformIndex(PlatformId{s.cpuId, s.machineId});
    PlatformId id{};
    selectablePlatform(index, id);
    std::string line = "\"" + host::toUtf8(selectablePlatformName(index)) + "\"";
    if (id.cpu != s.cpuId || id.machine != s.machineId) {
        char words[64];
        std::snprintf(words, sizeof words, " (cpuId 0x%08x, machineId 0x%08x on the handheld)",
                      id.cpu, id.machine);
        line += words;
    }
    return line;
}

int showConfig(const std::string& path) {
    BootSettings s;
    SettingsReader::Result result;
    std::string error;
    if (!readRecord(path, s, result, error))
        return fail(error);
    for (const Field& f : kFields)
        std::printf("%-16s = %s\n", f.name, show(s, f).c_str());
    std::printf("%-16s = %s\n", "platform", platformLine(s).c_str());
    if (result.firstDefault) {
        std::printf("short record: %u of %u bytes; %s and the fields after it are defaults\n",
                    result.recordBytes, BootSettings::kSize, result.firstDefault);
    }
    return 0;
}

const char kUsage[] =
    "usage: kestrel-util config show FILE\n"
    "       kestrel-util config set FILE FIELD=VALUE...\n"
    "  FIELD: a field of the settings record (config show lists them); set creates\n"
    "  FILE from the defaults when it does not exist\n";

int setConfig(const std::string& path, const Arguments& assignments) {
    BootSettings s;
    std::string error;
    if (std::filesystem::exists(path)) {
        SettingsReader::Result result;
        if (!readRecord(path, s, result, error))
            return fail(error);
    } else {
        setDefaultSettings(s);
    }
    for (const std::string& a : assignments) {
        size_t eq = a.find('=');
        if (eq == std::string::npos)
            return usageError("config", "expected FIELD=VALUE, got '" + a + "'", kUsage);
        const Field* f = findField(a.substr(0, eq));
        if (!f)
            return usageError("config", "unknown field '" + a.substr(0, eq) + "'", kUsage);
        if (!parseValue(s, *f, a.substr(eq + 1), error))
            return usageError("config", error, kUsage);
    }
    s.size = BootSettings::kSize;
    if (!writeRecord(path, s, error))
        return fail(error);
    return 0;
}

}  // namespace

int configCommand(const Arguments& args) {
    CommandLine line;
    std::string error;
    if (!splitCommandLine(args, {}, line, error))
        return usageError("config", error, kUsage);
    if (line.help)
        return showUsage(kUsage);
    const Arguments& words = line.words;
    if (words.size() == 2 && words[0] == "show")
        return showConfig(words[1]);
    if (words.size() >= 2 && words[0] == "set")
        return setConfig(words[1], Arguments(words.begin() + 2, words.end()));
    if (words.empty())
        return usageError("config", "expected show or set", kUsage);
    if (words[0] != "show" && words[0] != "set")
        return usageError("config", "unknown action '" + words[0] + "' (show or set)", kUsage);
    return usageError("config",
                      words[0] == "show" ? "expected FILE" : "expected FILE and FIELD=VALUE...",
                      kUsage);
}
