// What one simulated handheld is: CPU, RAM banks, screen, time zone, code
// page, Windows CE version, storage cards and the answers to message boxes.
// A profile starts from one of the built-in machines and takes the
// "key = value" lines of a device folder's machine.conf on top.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace host {

struct RamBank {
    uint32_t base;
    uint32_t size;
};

class MachineProfile {
  public:
    // The built-in machines: "jornada720", "ipaq3900", "wzero3".
    static std::vector<std::string> builtinNames();
    static bool builtin(const std::string& name, MachineProfile& out);

    // Applies the lines of a machine.conf. A "profile = NAME" line loads that
    // built-in machine first; every other line overrides one setting. On a
    // bad line returns false with "line N: reason" in error.
    bool parse(const std::string& text, std::string& error);
    // Applies one setting; false with a reason naming the key and the
    // accepted values for an unknown key or a bad value (the profile is then
    // unchanged for that key).
    bool set(const std::string& key, const std::string& value, std::string& error);
    // "KEY = FORM" for each key only a device model reads (disk.*, net.*, ...).
    static std::vector<std::string> keyForms();

    // Any setting as written (also the ones that only a device model reads).
    std::string value(const std::string& key, const std::string& fallback = "") const;
    bool has(const std::string& key) const { return values.count(key) != 0; }

    std::string id;    // built-in name it started from
    std::string name;  // "HP Jornada 720"
    std::string cpu;   // "SA1110", "PXA250" or "PXA270"
    uint32_t cpuWord = 0;
    uint32_t machineWord = 0;
    std::vector<RamBank> ram;
    uint32_t osReserved = 0;  // bytes of RAM the simulated Windows CE keeps
    int screenWidth = 0;
    int screenHeight = 0;
    int screenDepth = 16;
    int dpiX = 96;
    int dpiY = 96;
    int tzBias = 0;
    int tzStandardBias = 0;
    int tzDaylightBias = 0;
    bool tzDaylight = false;
    std::string tzName;
    std::string codePage = "CP1252";
    uint32_t ceMajor = 3;
    uint32_t ceMinor = 0;
    uint32_t ceBuild = 0;
    std::vector<std::string> storageCards;
    std::set<std::string> missingExports;        // coredll.dll exports left out
    std::string com1 = "stdout";                 // stdout, none, file:PATH
    std::map<std::string, std::string> answers;  // message-box caption -> yes/no/ok
    std::map<std::string, std::string> values;   // every key as written

    bool isStrongArm() const { return cpu == "SA1110" || cpu == "SA1100"; }
    uint64_t ramTotal() const;
};

}  // namespace host
