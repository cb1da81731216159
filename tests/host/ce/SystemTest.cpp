// System information, time zone, coredll.dll and Random of the simulated
// machines.
#include <gtest/gtest.h>

#include "platform/ce/Ce.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::DeviceFolder;

TEST(System, VersionAndTimeZoneComeFromTheProfile) {
    struct Case {
        const char* profile;
        ce::DWORD major, minor, zoneState;
        ce::LONG bias, daylightBias;
    } cases[] = {
        {"jornada720", 3, 0, ce::TIME_ZONE_ID_DAYLIGHT, 0, -60},
        {"ipaq3900", 3, 0, ce::TIME_ZONE_ID_STANDARD, 300, -60},
        {"wzero3", 5, 1, ce::TIME_ZONE_ID_STANDARD, -540, 0},
    };
    for (const Case& c : cases) {
        DeviceFolder device(c.profile);
        ce::OSVERSIONINFOW v{};
        v.dwOSVersionInfoSize = sizeof v;
        ASSERT_TRUE(ce::GetVersionExW(&v));
        EXPECT_EQ(v.dwMajorVersion, c.major) << c.profile;
        EXPECT_EQ(v.dwMinorVersion, c.minor) << c.profile;
        ce::TIME_ZONE_INFORMATION tz;
        EXPECT_EQ(ce::GetTimeZoneInformation(&tz), c.zoneState) << c.profile;
        EXPECT_EQ(tz.Bias, c.bias) << c.profile;
        EXPECT_EQ(tz.DaylightBias, c.daylightBias) << c.profile;
        ce::SYSTEM_INFO info;
        ce::GetSystemInfo(&info);
        EXPECT_EQ(info.dwPageSize, 4096u);
        EXPECT_EQ(info.dwAllocationGranularity, 0x10000u);
    }
}

TEST(CoreDll, ExportsByNameAndMissingOnes) {
    DeviceFolder device("jornada720", "missing_exports = GetSystemInfo");
    ce::HMODULE dll = ce::LoadLibraryW(u"COREDLL.DLL");
    ASSERT_NE(dll, nullptr);
    EXPECT_NE(ce::GetProcAddressW(dll, u"GetVersionExW"), nullptr);
    EXPECT_EQ(ce::GetProcAddressW(dll, u"GetSystemInfo"), nullptr);  // left out by the profile
    EXPECT_EQ(ce::GetProcAddressW(dll, u"NoSuchFunction"), nullptr);
    EXPECT_TRUE(ce::FreeLibrary(dll));
    EXPECT_EQ(ce::LoadLibraryW(u"other.dll"), nullptr);
}

TEST(CoreDll, ModuleCanBeMissing) {
    DeviceFolder device("jornada720", "coredll = missing");
    EXPECT_EQ(ce::LoadLibraryW(u"coredll.dll"), nullptr);
}

TEST(Random, ScriptedValuesThenAFixedSequence) {
    std::vector<ce::DWORD> first;
    {
        DeviceFolder device("jornada720", "random.sequence = 0xAC1DCAFE, 7");
        EXPECT_EQ(ce::Random(), 0xAC1DCAFEu);
        EXPECT_EQ(ce::Random(), 7u);
        for (int i = 0; i < 4; ++i)
            first.push_back(ce::Random());
    }
    DeviceFolder again("jornada720", "random.sequence = 1, 2");
    ce::Random(), ce::Random();
    for (ce::DWORD v : first)
        EXPECT_EQ(ce::Random(), v);  // runs repeat
}

TEST(MessageBox, AnswersPerCaptionAndRecordsEveryBox) {
    DeviceFolder device("jornada720", "answer.Last chance... = no");
    EXPECT_EQ(ce::MessageBoxW(nullptr, u"Push YES to boot.", u"Last chance...", 0x34), ce::IDNO);
    device.machine().setAnswer("Last chance...", "yes");  // the command line wins
    EXPECT_EQ(ce::MessageBoxW(nullptr, u"Push YES to boot.", u"Last chance...", 0x34), ce::IDYES);
    EXPECT_EQ(ce::MessageBoxW(nullptr, u"Can't set root directory.\n", u"BOOT FAILED", 0x10),
              ce::IDOK);
    ASSERT_EQ(device.machine().messageBoxes().size(), 3u);
    EXPECT_EQ(device.machine().messageBoxes()[2].flags, 0x10u);
    EXPECT_NE(device.out().find("[MessageBox \"BOOT FAILED\" 0x10] Can't set root directory."),
              std::string::npos);
}

}  // namespace
