// Fuzz target: a device folder's machine.conf. The bytes are parsed as the
// lines of a machine.conf on top of a built-in machine; every line must be
// taken or refused with a reason, never by an exception or a crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "machine/MachineProfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    host::MachineProfile profile;
    if (!host::MachineProfile::builtin("jornada720", profile))
        __builtin_trap();
    std::string error;
    if (!profile.parse(std::string(reinterpret_cast<const char*>(data), size), error) &&
        error.empty())
        __builtin_trap();  // a refusal always says why
    return 0;
}
