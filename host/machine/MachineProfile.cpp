#include "machine/MachineProfile.h"

#include <cstdlib>
#include <sstream>

namespace host {
namespace {

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool parseNumber(const std::string& text, long long& out) {
    std::string t = trim(text);
    if (t.empty())
        return false;
    char* end = nullptr;
    out = std::strtoll(t.c_str(), &end, 0);
    return end && *end == '\0';
}

bool parseU32(const std::string& text, uint32_t& out) {
    long long v;
    if (!parseNumber(text, v) || v < 0 || v > 0xFFFFFFFFLL)
        return false;
    out = static_cast<uint32_t>(v);
    return true;
}

bool parseInt(const std::string& text, int& out) {
    long long v;
    if (!parseNumber(text, v) || v < -0x7FFFFFFFLL || v > 0x7FFFFFFFLL)
        return false;
    out = static_cast<int>(v);
    return true;
}

bool parseBool(const std::string& text, bool& out) {
    std::string t = trim(text);
    if (t == "yes" || t == "true" || t == "1" || t == "on")
        return out = true, true;
    if (t == "no" || t == "false" || t == "0" || t == "off")
        return out = false, true;
    return false;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, separator)) {
        part = trim(part);
        if (!part.empty())
            parts.push_back(part);
    }
    return parts;
}

// "640x240x16" -> three numbers; "96" or "96x96" -> two.
bool parseDims(const std::string& text, std::vector<int>& out) {
    out.clear();
    for (const std::string& p : split(text, 'x')) {
        int v;
        if (!parseInt(p, v) || v <= 0)
            return false;
        out.push_back(v);
    }
    return !out.empty();
}

const char* const kBuiltin[][2] = {
    {"jornada720",
     "name = HP Jornada 720\n"
     "cpu = SA1110\n"
     "platform = 0x0c108000 0x02c20201\n"
     "ram = 0xC0000000:0x01000000, 0xC8000000:0x01000000\n"
     "os_reserved = 0x00100000\n"
     "screen = 640x240x16\n"
     "dpi = 96\n"
     "timezone.name = GMT Daylight Time\n"
     "timezone.bias = 0\n"
     "timezone.standard_bias = 0\n"
     "timezone.daylight_bias = -60\n"
     "timezone.daylight = yes\n"
     "codepage = CP1252\n"
     "ce_version = 3.0\n"
     "ce_build = 126\n"
     "storage_cards = Storage Card\n"},
    {"ipaq3900",
     "name = Compaq iPAQ H3900\n"
     "cpu = PXA250\n"
     "platform = 0x0c204000 0x01c40301\n"
     "ram = 0xA0000000:0x04000000\n"
     "os_reserved = 0x00100000\n"
     "screen = 320x240x16\n"
     "dpi = 96\n"
     "timezone.name = Eastern Standard Time\n"
     "timezone.bias = 300\n"
     "timezone.standard_bias = 0\n"
     "timezone.daylight_bias = -60\n"
     "timezone.daylight = no\n"
     "codepage = CP1252\n"
     "ce_version = 3.0\n"
     "ce_build = 11171\n"
     "storage_cards = Storage Card\n"},
    {"wzero3",
     "name = Sharp W-ZERO3 WS003SH\n"
     "cpu = PXA270\n"
     "platform = 0x0c208000 0x01040100\n"
     "ram = 0xA0000000:0x04000000\n"
     "os_reserved = 0x00100000\n"
     "screen = 480x640x16\n"
     "dpi = 192\n"
     "timezone.name = Tokyo Standard Time\n"
     "timezone.bias = -540\n"
     "timezone.standard_bias = 0\n"
     "timezone.daylight_bias = 0\n"
     "timezone.daylight = no\n"
     "codepage = CP932\n"
     "ce_version = 5.1\n"
     "ce_build = 1700\n"
     "storage_cards = Storage Card\n"},
};

}  // namespace

std::vector<std::string> MachineProfile::builtinNames() {
    std::vector<std::string> names;
    for (const auto& row : kBuiltin)
        names.push_back(row[0]);
    return names;
}

bool MachineProfile::builtin(const std::string& name, MachineProfile& out) {
    for (const auto& row : kBuiltin) {
        if (name != row[0])
            continue;
        MachineProfile p;
        std::string error;
        if (!p.parse(row[1], error))
            return false;
        p.id = name;
        out = p;
        return true;
    }
    return false;
}

uint64_t MachineProfile::ramTotal() const {
    uint64_t total = 0;
    for (const RamBank& b : ram)
        total += b.size;
    return total;
}

std::string MachineProfile::value(const std::string& key, const std::string& fallback) const {
    auto it = values.find(key);
    return it == values.end() ? fallback : it->second;
}

bool MachineProfile::parse(const std::string& text, std::string& error) {
    std::stringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.resize(hash);
        line = trim(line);
        if (line.empty())
            continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            error = "line " + std::to_string(number) + ": expected key = value";
            return false;
        }
        std::string reason;
        if (!set(trim(line.substr(0, eq)), trim(line.substr(eq + 1)), reason)) {
            error = "line " + std::to_string(number) + ": " + reason;
            return false;
        }
    }
    return true;
}

bool MachineProfile::set(const std::string& key, const std::string& value, std::string& error) {
    auto bad = [&](const char* what) {
        error = std::string(what) + " for " + key + ": '" + value + "'";
        return false;
    };
    if (key == "profile") {
        MachineProfile base;
        if (!builtin(value, base))
            return bad("unknown built-in machine");
        *this = base;
        values[key] = value;
        return true;
    }
    values[key] = value;
    std::vector<int> dims;
    if (key == "name") {
        name = value;
    } else if (key == "cpu") {
        if (value != "SA1100" && value != "SA1110" && value != "PXA250" && value != "PXA270")
            return bad("unknown CPU (SA1100, SA1110, PXA250, PXA270)");
        cpu = value;
    } else if (key == "platform") {
        std::vector<std::string> words = split(value, ' ');
        if (words.size() != 2 || !parseU32(words[0], cpuWord) || !parseU32(words[1], machineWord))
            return bad("expected two words");
    } else if (key == "ram") {
        ram.clear();
        for (const std::string& bank : split(value, ',')) {
            size_t colon = bank.find(':');
            RamBank b{};
            if (colon == std::string::npos || !parseU32(bank.substr(0, colon), b.base) ||
                !parseU32(bank.substr(colon + 1), b.size) || b.size == 0 || (b.base & 0xFFF) ||
                (b.size & 0xFFF) || uint64_t(b.base) + b.size > 0x100000000ULL)
                return bad("expected BASE:SIZE banks, page aligned");
            ram.push_back(b);
        }
        if (ram.empty())
            return bad("no RAM bank");
    } else if (key == "os_reserved") {
        if (!parseU32(value, osReserved))
            return bad("bad number");
    } else if (key == "screen") {
        if (!parseDims(value, dims) || dims.size() != 3)
            return bad("expected WIDTHxHEIGHTxDEPTH");
        screenWidth = dims[0], screenHeight = dims[1], screenDepth = dims[2];
    } else if (key == "dpi") {
        if (!parseDims(value, dims) || dims.size() > 2)
            return bad("expected N or XxY");
        dpiX = dims[0];
        dpiY = dims.size() == 2 ? dims[1] : dims[0];
    } else if (key == "timezone.name") {
        tzName = value;
    } else if (key == "timezone.bias") {
        if (!parseInt(value, tzBias))
            return bad("bad number");
    } else if (key == "timezone.standard_bias") {
        if (!parseInt(value, tzStandardBias))
            return bad("bad number");
    } else if (key == "timezone.daylight_bias") {
        if (!parseInt(value, tzDaylightBias))
            return bad("bad number");
    } else if (key == "timezone.daylight") {
        if (!parseBool(value, tzDaylight))
            return bad("expected yes or no");
    } else if (key == "codepage") {
        codePage = value;
    } else if (key == "ce_version") {
        size_t dot = value.find('.');
        if (dot == std::string::npos || !parseU32(value.substr(0, dot), ceMajor) ||
            !parseU32(value.substr(dot + 1), ceMinor))
            return bad("expected MAJOR.MINOR");
    } else if (key == "ce_build") {
        if (!parseU32(value, ceBuild))
            return bad("bad number");
    } else if (key == "storage_cards") {
        storageCards = split(value, ',');
    } else if (key == "missing_exports") {
        missingExports.clear();
        for (const std::string& e : split(value, ','))
            missingExports.insert(e);
    } else if (key == "com1") {
        com1 = value;
    } else if (key.rfind("answer.", 0) == 0) {
        if (value != "yes" && value != "no" && value != "ok" && value != "cancel")
            return bad("expected yes, no, ok or cancel");
        answers[key.substr(7)] = value;
    }
    // Other keys (disk.*, uart.*, ...) are read by the device models.
    return true;
}

}  // namespace host
