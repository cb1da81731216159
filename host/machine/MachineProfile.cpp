#include "machine/MachineProfile.h"

#include <cerrno>
#include <cstdlib>
#include <initializer_list>
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
     "screen = 240x320x16\n"
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

namespace {

bool isDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// "A.B.C.D", four numbers of 0..255.
bool isDottedAddress(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, '.'))
        parts.push_back(part);
    if (parts.size() != 4 || text.back() == '.')
        return false;
    for (const std::string& p : parts) {
        if (!isDigits(p) || p.size() > 3 || std::stoi(p) > 255)
            return false;
    }
    return true;
}

bool isU32(const std::string& text) {
    uint32_t v;
    return parseU32(text, v);
}

bool isU64(const std::string& text) {
    std::string t = trim(text);
    if (t.empty() || t[0] == '-' || t[0] == '+')
        return false;
    char* end = nullptr;
    errno = 0;
    std::strtoull(t.c_str(), &end, 0);
    return errno == 0 && end && *end == '\0';
}

bool isOneOf(const std::string& text, std::initializer_list<const char*> words) {
    for (const char* w : words) {
        if (text == w)
            return true;
    }
    return false;
}

// The settings that only a device model reads: a check of the value and the
// accepted form, named in the error.
struct ModelKey {
    const char* key;  // exact key, or a prefix ending in '.' or '*'
    bool (*valid)(const std::string& value);
    const char* form;
};

bool matchesKey(const char* pattern, const std::string& key) {
    std::string p = pattern;
    size_t star = p.find('*');
    if (star == std::string::npos)
        return key == p;
    // "disk.DSK*.flags": DSK followed by a unit number.
    std::string head = p.substr(0, star), tail = p.substr(star + 1);
    if (key.size() <= head.size() + tail.size() || key.rfind(head, 0) != 0 ||
        key.compare(key.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    std::string middle = key.substr(head.size(), key.size() - head.size() - tail.size());
    return isDigits(middle) || (tail.empty() && !middle.empty());
}

const ModelKey kModelKeys[] = {
    {"coredll",
     [](const std::string& v) {
         return isOneOf(v, {"present", "missing"});
     },
     "present or missing"},
    {"kernel_mode",
     [](const std::string& v) {
         return isOneOf(v, {"allowed", "refused"});
     },
     "allowed or refused"},
    {"refuse_physical", isU32, "a physical address such as 0xC0001000"},
    {"fail.RegisterClassW",
     [](const std::string& v) {
         return isOneOf(v, {"yes", "no"});
     },
     "yes or no"},
    {"memory.seed", isU64, "a number"},
    {"random.seed", isU64, "a number"},
    {"random.sequence",
     [](const std::string& v) {
         std::vector<std::string> items = split(v, ',');
         for (const std::string& item : items) {
             if (!isU32(item))
                 return false;
         }
         return !items.empty();
     },
     "numbers separated by commas"},
    {"net.dns",
     [](const std::string& v) {
         return isOneOf(v, {"on", "off"});
     },
     "on or off"},
    {"net.timeout_ms",
     [](const std::string& v) {
         int ms;
         return isDigits(v) && parseInt(v, ms) && ms > 0;
     },
     "milliseconds, 1 or more"},
    {"net.max_sockets", [](const std::string& v) { return isDigits(v) && isU32(v); }, "a count"},
    {"net.winsock",
     [](const std::string& v) {
         size_t dot = v.find('.');
         return v == "none" || (dot != std::string::npos && isDigits(v.substr(0, dot)) &&
                                isDigits(v.substr(dot + 1)) && v.size() <= 7);
     },
     "none or MAJOR.MINOR"},
    {"net.host.*", isDottedAddress, "an address A.B.C.D"},
    {"disk.DSK*.bytes_per_sector",
     [](const std::string& v) {
         uint32_t n;
         return parseU32(v, n) && n > 0;
     },
     "a number of bytes, 1 or more"},
    {"disk.DSK*.flags", isU32, "a number"},
    {"disk.DSK*.bad_sector", isU32, "a sector number"},
    {"disk.DSK*.chs",
     [](const std::string& v) {
         std::vector<std::string> parts = split(v, ':');
         return parts.size() == 3 && v.find_first_not_of("0123456789:") == std::string::npos &&
                isU32(parts[0]) && isU32(parts[1]) && isU32(parts[2]);
     },
     "C:H:S"},
};

}  // namespace

std::vector<std::string> MachineProfile::keyForms() {
    std::vector<std::string> forms;
    for (const ModelKey& k : kModelKeys)
        forms.push_back(std::string(k.key) + " = " + k.form);
    return forms;
}

bool MachineProfile::set(const std::string& key, const std::string& value, std::string& error) {
    auto bad = [&](const std::string& what) {
        error = "bad value for " + key + ": '" + value + "' (" + what + ")";
        return false;
    };
    if (key == "profile") {
        MachineProfile base;
        if (!builtin(value, base)) {
            std::string names;
            for (const std::string& n : builtinNames())
                names += (names.empty() ? "" : ", ") + n;
            return bad("the built-in machines are " + names);
        }
        *this = base;
        values[key] = value;
        return true;
    }
    std::vector<int> dims;
    if (key == "name") {
        if (value.empty())
            return bad("a name");
        name = value;
    } else if (key == "cpu") {
        if (value != "SA1100" && value != "SA1110" && value != "PXA250" && value != "PXA270")
            return bad("SA1100, SA1110, PXA250 or PXA270");
        cpu = value;
    } else if (key == "platform") {
        std::vector<std::string> words = split(value, ' ');
        uint32_t c = 0, m = 0;
        if (words.size() != 2 || !parseU32(words[0], c) || !parseU32(words[1], m))
            return bad("two words, CPU and machine, such as 0x0c108000 0x02c20201");
        cpuWord = c, machineWord = m;
    } else if (key == "ram") {
        std::vector<RamBank> banks;
        for (const std::string& bank : split(value, ',')) {
            size_t colon = bank.find(':');
            RamBank b{};
            if (colon == std::string::npos || !parseU32(bank.substr(0, colon), b.base) ||
                !parseU32(bank.substr(colon + 1), b.size) || b.size == 0 || (b.base & 0xFFF) ||
                (b.size & 0xFFF) || uint64_t(b.base) + b.size > 0x100000000ULL)
                return bad("BASE:SIZE banks separated by commas, page aligned");
            banks.push_back(b);
        }
        if (banks.empty())
            return bad("at least one BASE:SIZE bank");
        ram = banks;
    } else if (key == "os_reserved") {
        if (!parseU32(value, osReserved))
            return bad("a number of bytes");
    } else if (key == "screen") {
        if (!parseDims(value, dims) || dims.size() != 3)
            return bad("WIDTHxHEIGHTxDEPTH, such as 640x240x16");
        screenWidth = dims[0], screenHeight = dims[1], screenDepth = dims[2];
    } else if (key == "dpi") {
        if (!parseDims(value, dims) || dims.size() > 2)
            return bad("N or XxY");
        dpiX = dims[0];
        dpiY = dims.size() == 2 ? dims[1] : dims[0];
    } else if (key == "timezone.name") {
        tzName = value;
    } else if (key == "timezone.bias") {
        if (!parseInt(value, tzBias))
            return bad("minutes");
    } else if (key == "timezone.standard_bias") {
        if (!parseInt(value, tzStandardBias))
            return bad("minutes");
    } else if (key == "timezone.daylight_bias") {
        if (!parseInt(value, tzDaylightBias))
            return bad("minutes");
    } else if (key == "timezone.daylight") {
        if (!parseBool(value, tzDaylight))
            return bad("yes or no");
    } else if (key == "codepage") {
        if (value.size() < 3 || value.compare(0, 2, "CP") != 0 || !isDigits(value.substr(2)))
            return bad("CP followed by its number, such as CP1252 or CP932");
        codePage = value;
    } else if (key == "ce_version") {
        size_t dot = value.find('.');
        uint32_t major = 0, minor = 0;
        if (dot == std::string::npos || !isDigits(value.substr(0, dot)) ||
            !isDigits(value.substr(dot + 1)) || !parseU32(value.substr(0, dot), major) ||
            !parseU32(value.substr(dot + 1), minor))
            return bad("MAJOR.MINOR, such as 3.0");
        ceMajor = major, ceMinor = minor;
    } else if (key == "ce_build") {
        if (!parseU32(value, ceBuild))
            return bad("a number");
    } else if (key == "storage_cards") {
        storageCards = split(value, ',');
    } else if (key == "missing_exports") {
        missingExports.clear();
        for (const std::string& e : split(value, ','))
            missingExports.insert(e);
    } else if (key == "com1") {
        if (value != "stdout" && value != "none" &&
            (value.rfind("file:", 0) != 0 || value.size() == 5))
            return bad("stdout, none or file:NAME");
        com1 = value;
    } else if (key.rfind("answer.", 0) == 0) {
        if (key.size() == 7)
            return bad("answer.CAPTION needs the message box's caption");
        if (value != "yes" && value != "no" && value != "ok" && value != "cancel")
            return bad("yes, no, ok or cancel");
        answers[key.substr(7)] = value;
    } else {
        // The keys that a device model reads when it starts.
        const ModelKey* known = nullptr;
        for (const ModelKey& k : kModelKeys) {
            if (matchesKey(k.key, key))
                known = &k;
        }
        if (!known) {
            error = "unknown key " + key;
            return false;
        }
        if (!known->valid(value))
            return bad(known->form);
    }
    values[key] = value;
    return true;
}

}  // namespace host
