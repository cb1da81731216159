// machine.conf: every key is one the machine knows and every value has its
// key's form; a mistake is an error that names the line, the key and what
// the key accepts, and never an exception.
#include <gtest/gtest.h>

#include <string>

#include "machine/MachineProfile.h"

namespace {

using host::MachineProfile;

struct Case {
    const char* what;  // what the row proves
    const char* text;  // machine.conf
    const char* says;  // part of the error; null when the text is good
};

const Case kCases[] = {
    {"the built-in machines and their overrides", "profile = ipaq3900\nscreen = 240x320x16\n",
     nullptr},
    {"memory keys the host reads", "os_reserved = 0x100000\nmemory.seed = 12345\n", nullptr},
    {"device-model keys with good values",
     "net.timeout_ms = 500\nnet.dns = off\nnet.host.kernels = 127.0.0.1\nnet.winsock = 2.2\n"
     "net.max_sockets = 3\ndisk.DSK1.bad_sector = 9\ndisk.DSK2.chs = 10:4:32\n"
     "disk.DSK1.bytes_per_sector = 512\ndisk.DSK1.flags = 1\nrandom.sequence = 1, 0x2\n"
     "random.seed = 7\nkernel_mode = refused\nrefuse_physical = 0xC0001000\n"
     "coredll = missing\nfail.RegisterClassW = yes\nanswer.Last chance... = no\n"
     "com1 = file:com1.txt\n",
     nullptr},
    {"an unknown key", "foo = bar\n", "line 1: unknown key foo"},
    {"a misspelt key", "profile = jornada720\nkernel_mod = refused\n",
     "line 2: unknown key kernel_mod"},
    {"a misspelt value of a model key", "kernel_mode = refuse\n",
     "bad value for kernel_mode: 'refuse' (allowed or refused)"},
    {"a COM1 target that is none of the three", "com1 = stdot\n",
     "line 1: bad value for com1: 'stdot' (stdout, none or file:NAME)"},
    {"a timeout that is no number (was an uncaught exception)", "net.timeout_ms = abc\n",
     "bad value for net.timeout_ms: 'abc'"},
    {"a timeout too large for an int (was an uncaught exception)", "net.timeout_ms = 99999999999\n",
     "bad value for net.timeout_ms"},
    {"a socket limit that is no number (was an uncaught exception)", "net.max_sockets = x\n",
     "bad value for net.max_sockets"},
    {"an unknown profile lists the valid names", "profile = jornada",
     "the built-in machines are jornada720, ipaq3900, wzero3"},
    {"a host address that is no address", "net.host.k = 300.1.1.1\n", "bad value for net.host.k"},
    {"a disk key of no unit", "disk.DSKx.flags = 1\n", "unknown key disk.DSKx.flags"},
    {"a CHS with two numbers", "disk.DSK1.chs = 10:4\n", "(C:H:S)"},
    {"a screen without its depth", "screen = 240x320\n", "WIDTHxHEIGHTxDEPTH"},
    {"a code page that is no name", "codepage = shift-jis\n", "bad value for codepage"},
    {"a Windows CE version with a letter", "ce_version = 4.2x\n", "MAJOR.MINOR"},
    {"an answer that is none of the four", "answer.WARNING = maybe\n", "yes, no, ok or cancel"},
    {"a seed that is no number", "memory.seed = lots\n", "bad value for memory.seed"},
    {"a line without a value", "screen\n", "line 1: expected key = value"},
};

TEST(MachineProfile, EveryKeyAndValueIsChecked) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        MachineProfile p;
        ASSERT_TRUE(MachineProfile::builtin("jornada720", p));
        std::string error;
        bool ok = p.parse(c.text, error);
        if (!c.says) {
            EXPECT_TRUE(ok) << error;
        } else {
            EXPECT_FALSE(ok);
            EXPECT_NE(error.find(c.says), std::string::npos) << error;
        }
    }
}

TEST(MachineProfile, ABadValueLeavesTheSettingAsItWas) {
    MachineProfile p;
    ASSERT_TRUE(MachineProfile::builtin("jornada720", p));
    std::string error;
    EXPECT_FALSE(p.set("ram", "0xC0000000:0x1000, nonsense", error));
    EXPECT_EQ(p.ram.size(), 2u);
    EXPECT_FALSE(p.set("net.timeout_ms", "abc", error));
    EXPECT_FALSE(p.has("net.timeout_ms"));
}

TEST(MachineProfile, EveryBuiltinMachineParses) {
    for (const std::string& name : MachineProfile::builtinNames()) {
        MachineProfile p;
        EXPECT_TRUE(MachineProfile::builtin(name, p)) << name;
    }
}

}  // namespace
