// The settings record and its configuration file on the storage card.
#include <gtest/gtest.h>

#include <cstring>

#include "boot/MenuInterface.h"
#include "boot/SettingsReader.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::DeviceFolder;

const char* const kConfig = "Storage Card/kestrel.cnf";

std::string recordBytes(const BootSettings& s) {
    return std::string(reinterpret_cast<const char*>(&s), sizeof s);
}

BootSettings defaults() {
    BootSettings s;
    setDefaultSettings(s);
    return s;
}

void expectDefaults(const BootSettings& s) {
    EXPECT_EQ(s.magic, 0x177d5753u);
    EXPECT_EQ(s.version, 258u);
    EXPECT_EQ(s.size, 2152u);
    EXPECT_EQ(s.directorySaved, 0u);
    EXPECT_EQ(host::toUtf8(s.imageName), "miniroot.fs");
    EXPECT_EQ(s.pauseBeforeBoot, 1u);
    EXPECT_EQ(s.safetyMessage, 1u);
    EXPECT_EQ(s.serialSpeed, 19200u);
    EXPECT_EQ(s.autoBootSeconds, 0u);
    EXPECT_EQ(s.extraOptions[0], 0);
}

TEST(Settings, DefaultsWhenThereIsNoUsableFile) {
    struct Case {
        const char* what;
        bool card;
        std::string file;  // empty: no file
    } cases[] = {
        {"no storage card", false, ""},
        {"no file", true, ""},
        {"foreign file", true, std::string("\x53\x57\x7d\x18", 4) + std::string(2148, '\1')},
        {"file shorter than its header", true, std::string("\x53\x57\x7d\x17", 4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceFolder device("jornada720", "", c.card);
        if (!c.file.empty())
            device.writeFile(kConfig, c.file);
        expectDefaults(MenuInterface::instance()->settings());
    }
}

TEST(Settings, SaveWritesTheWholeRecord) {
    DeviceFolder device;
    MenuInterface* menu = MenuInterface::instance();
    ASSERT_TRUE(menu->save());
    std::string bytes = device.readFile(kConfig);
    ASSERT_EQ(bytes.size(), 2152u);
    EXPECT_EQ(bytes.substr(0, 12),
              std::string("\x53\x57\x7d\x17\x02\x01\x00\x00\x68\x08\x00\x00", 12));
    EXPECT_EQ(bytes, recordBytes(menu->settings()));
}

TEST(Settings, NoCardNothingSaved) {
    DeviceFolder device("jornada720", "", false);
    EXPECT_FALSE(MenuInterface::instance()->save());
}

TEST(Settings, AnyVersionIsAcceptedAndSavedAsCurrent) {
    DeviceFolder device;
    BootSettings s = defaults();
    s.version = 1;
    s.serialSpeed = 115200;
    s.autoBootSeconds = 5;
    device.writeFile(kConfig, recordBytes(s));
    MenuInterface* menu = MenuInterface::instance();
    EXPECT_EQ(menu->settings().version, 258u);
    EXPECT_EQ(menu->settings().serialSpeed, 115200u);
    EXPECT_EQ(menu->settings().autoBootSeconds, 5u);
    ASSERT_TRUE(menu->save());
    EXPECT_EQ(device.readFile(kConfig).substr(4, 4), std::string("\x02\x01\x00\x00", 4));
}

TEST(Settings, RecordSizesOtherThanOurs) {
    // A record announcing more than 2152 bytes is read up to our record's end;
    // a shorter record (or a short file) leaves the rest at the defaults.
    struct Case {
        const char* what;
        uint32_t size;
        size_t fileBytes;
        uint32_t expectRoot;   // offset 1072
        uint32_t expectSpeed;  // offset 1636
    } cases[] = {
        {"larger record", 4000, 4000, 2, 57600},
        {"smaller record", 1000, 2152, 0, 19200},
        {"file shorter than its record", 2152, 1500, 2, 19200},
    };
    for (const Case& c : cases) {
        DeviceFolder device;
        BootSettings s = defaults();
        s.size = c.size;
        s.serialSpeed = 57600;
        s.rootDevice = 2;
        std::string bytes = recordBytes(s);
        bytes.resize(c.fileBytes, 'Z');
        device.writeFile(kConfig, bytes);
        const BootSettings& loaded = MenuInterface::instance()->settings();
        EXPECT_EQ(loaded.serialSpeed, c.expectSpeed) << c.what;
        EXPECT_EQ(loaded.rootDevice, c.expectRoot) << c.what;
        EXPECT_EQ(loaded.size, 2152u) << c.what;
    }
}

// A record cut short: whole fields come from the file, a field cut in two
// and every field after it take their defaults, and the loaded record says
// which field was the first default.
TEST(Settings, ShortRecordsTakeWholeFieldsOnly) {
    struct Case {
        const char* what;
        size_t fileBytes;
        uint32_t expectCpu, expectMachine, expectRoot;
        const char* firstDefault;  // null: the whole record was there
    } cases[] = {
        // Inside machineId: half of it must not be mixed with the default.
        {"cut inside machineId", 1070, 0x0c108000, 0, 0, "machineId"},
        // Just before cpuId: the platform is the defaults' (0, 0).
        {"cut before cpuId", 1064, 0, 0, 0, "cpuId"},
        {"cut after rootDevice", 1076, 0x0c108000, 0x02c20201, 2, "imageName"},
        {"whole record", 2152, 0x0c108000, 0x02c20201, 2, nullptr},
    };
    for (const Case& c : cases) {
        DeviceFolder device;
        BootSettings s = defaults();
        s.cpuId = 0x0c108000;
        s.machineId = 0x02c20201;
        s.rootDevice = 2;
        s.serialSpeed = 57600;
        device.writeFile(kConfig, recordBytes(s).substr(0, c.fileBytes));
        MenuInterface* menu = MenuInterface::instance();
        const BootSettings& loaded = menu->settings();
        EXPECT_EQ(loaded.cpuId, c.expectCpu) << c.what;
        EXPECT_EQ(loaded.machineId, c.expectMachine) << c.what;
        EXPECT_EQ(loaded.rootDevice, c.expectRoot) << c.what;
        EXPECT_EQ(loaded.serialSpeed, c.firstDefault ? 19200u : 57600u) << c.what;
        const SettingsReader::Result& record = menu->loadedRecord();
        EXPECT_TRUE(record.accepted) << c.what;
        EXPECT_EQ(record.recordBytes, c.fileBytes) << c.what;
        if (c.firstDefault) {
            ASSERT_NE(record.firstDefault, nullptr) << c.what;
            EXPECT_STREQ(record.firstDefault, c.firstDefault) << c.what;
        } else {
            EXPECT_EQ(record.firstDefault, nullptr) << c.what;
        }
    }
}

// A text field the file fills to its last unit without a terminator ends
// within itself after loading: nothing that reads it runs into the next field.
TEST(Settings, TextWithoutTerminatorIsCutAtItsLastUnit) {
    DeviceFolder device;
    BootSettings s = defaults();
    for (ce::WCHAR& unit : s.directory)
        unit = u'd';
    for (ce::WCHAR& unit : s.extraOptions)
        unit = u'x';
    s.kernelNameSaved = 0x00410041;  // "AA" if read as text after the directory
    device.writeFile(kConfig, recordBytes(s));
    const BootSettings& loaded = MenuInterface::instance()->settings();
    EXPECT_EQ(std::u16string(loaded.directory), std::u16string(259, u'd'));
    EXPECT_EQ(std::u16string(loaded.extraOptions), std::u16string(255, u'x'));
}

TEST(SettingsReader, WhatIsNotARecord) {
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"nothing", ""},
        {"magic alone", std::string("\x53\x57\x7d\x17", 4)},
        {"head of eleven bytes", std::string("\x53\x57\x7d\x17\x02\x01\x00\x00\x68\x08\x00", 11)},
        {"another magic", std::string("\x53\x57\x7d\x18\x02\x01\x00\x00\x68\x08\x00\x00", 12)},
    };
    for (const Case& c : cases) {
        BootSettings s;
        SettingsReader::Result r = SettingsReader::read(
            reinterpret_cast<const uint8_t*>(c.bytes.data()), uint32_t(c.bytes.size()), s);
        BootSettings d = defaults();
        EXPECT_FALSE(r.accepted) << c.what;
        EXPECT_EQ(std::memcmp(&s, &d, sizeof s), 0) << c.what;
    }
    // A head alone is a record of nothing but defaults; a size field below
    // the head's 12 bytes still keeps the head.
    std::string head("\x53\x57\x7d\x17\x01\x00\x00\x00\x04\x00\x00\x00", 12);
    BootSettings s;
    SettingsReader::Result r =
        SettingsReader::read(reinterpret_cast<const uint8_t*>(head.data()), 12, s);
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.recordBytes, 12u);
    EXPECT_STREQ(r.firstDefault, "reserved");
    EXPECT_EQ(s.version, 1u);
    EXPECT_EQ(s.serialSpeed, 19200u);
}

TEST(Settings, DirectoryList) {
    DeviceFolder device;
    MenuInterface* menu = MenuInterface::instance();
    const char* expected[] = {"/",
                              "2:/",
                              "\\",
                              "\\My Documents\\",
                              "\\Storage Card\\",
                              "\\Storage Card1\\",
                              "\\Storage Card2\\",
                              "\\\uFF92\uFF93\uFF98 \uFF76\uFF70\uFF84\uFF9E\\",
                              "\\\uFF92\uFF93\uFF98 \uFF76\uFF70\uFF84\uFF9E1\\",
                              "\\\uFF92\uFF93\uFF98 \uFF76\uFF70\uFF84\uFF9E2\\",
                              "\\Multimedia Card\\",
                              "\\miniSD\uFF76\uFF70\uFF84\uFF9E\\",
                              "\\microSD\u30AB\u30FC\u30C9\\",
                              "user defined"};
    for (int i = 0; i < 14; ++i) {
        ASSERT_NE(menu->directoryName(i), nullptr) << i;
        EXPECT_EQ(host::toUtf8(menu->directoryName(i)), expected[i]) << i;
    }
    EXPECT_EQ(menu->directoryName(14), nullptr);
    EXPECT_EQ(menu->directoryName(-1), nullptr);
    EXPECT_EQ(menu->defaultDirectoryIndex(), 0);
}

TEST(Settings, SavedDirectoryTakesTheLastEntry) {
    DeviceFolder device;
    BootSettings s = defaults();
    s.directorySaved = 1;
    std::u16string dir = u"\\Storage Card\\boot\\";
    std::copy(dir.begin(), dir.end(), s.directory);
    device.writeFile(kConfig, recordBytes(s));
    MenuInterface* menu = MenuInterface::instance();
    EXPECT_EQ(menu->defaultDirectoryIndex(), 13);
    EXPECT_EQ(host::toUtf8(menu->directoryName(13)), "\\Storage Card\\boot\\");
}

uint32_t hookCalls;
uint32_t hookArgument;

void countingHook(uint32_t argument) {
    ++hookCalls;
    hookArgument = argument;
}

TEST(MenuInterface, BootCallsTheHook) {
    DeviceFolder device;
    MenuInterface* menu = MenuInterface::instance();
    hookCalls = 0;
    menu->boot();  // no hook yet: nothing happens
    EXPECT_EQ(hookCalls, 0u);
    menu->setBootHook(countingHook, 0x1234);
    menu->boot();
    menu->settings().safetyMessage = 0;
    menu->boot();
    EXPECT_EQ(hookCalls, 2u);
    EXPECT_EQ(hookArgument, 0x1234u);
    EXPECT_TRUE(device.machine().messageBoxes().empty());  // no machine is refused
}

TEST(MenuInterface, ConstructionClearsHooksAndMask) {
    DeviceFolder device;
    MenuInterface* menu = MenuInterface::instance();
    EXPECT_EQ(menu->consoleCheckMask, 0u);
    for (const auto& b : menu->consoleButtons)
        EXPECT_EQ(b.function, nullptr);
    EXPECT_EQ(menu->rootHandle(), nullptr);
}

}  // namespace
