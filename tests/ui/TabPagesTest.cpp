// The three tab pages: what they show at start, where their controls sit on
// the handheld's screen, and what they store when a boot starts.
#include <gtest/gtest.h>

#include <fstream>

#include "boot/MenuInterface.h"
#include "ce/ScreenRenderer.h"
#include "platform/PlatformTable.h"
#include "support/DeviceFolder.h"
#include "ui/UiDriver.h"

using namespace ui_test;
using testing_support::DeviceFolder;

namespace {

constexpr int kBoot = 5;

// The size a PNG file's header announces.
bool pngSize(const std::filesystem::path& file, uint32_t& width, uint32_t& height) {
    std::ifstream in(file, std::ios::binary);
    unsigned char h[24];
    if (!in.read(reinterpret_cast<char*>(h), sizeof h))
        return false;
    if (h[1] != 'P' || h[2] != 'N' || h[3] != 'G')
        return false;
    width = (uint32_t(h[16]) << 24) | (uint32_t(h[17]) << 16) | (uint32_t(h[18]) << 8) | h[19];
    height = (uint32_t(h[20]) << 24) | (uint32_t(h[21]) << 16) | (uint32_t(h[22]) << 8) | h[23];
    return true;
}

}  // namespace

TEST(MainPage, ShowsTheDefaultsWithoutAConfigurationFile) {
    DeviceFolder device;
    runApp({});
    EXPECT_EQ(comboSelection(1001), 0);
    EXPECT_EQ(text(1001), u"/");
    EXPECT_EQ(text(1003), u"keldos.gz");
    EXPECT_TRUE(checked(101)) << "wd";
    for (int id = 102; id <= 106; ++id)
        EXPECT_FALSE(checked(id)) << id;
    EXPECT_EQ(text(107), u"miniroot.fs");
    EXPECT_FALSE(enabled(107));
    EXPECT_EQ(text(154), u"19200");
    EXPECT_FALSE(enabled(154));
    EXPECT_EQ(comboEntries(154), (std::vector<std::u16string>{u"9600", u"19200", u"115200"}));
    EXPECT_FALSE(checked(200)) << "Auto Boot";
    EXPECT_FALSE(enabled(2000));
    EXPECT_FALSE(enabled(2001));
    EXPECT_TRUE(checked(202)) << "Pause Before Boot";
    EXPECT_TRUE(checked(205)) << "Safety Message";
    EXPECT_EQ(text(322), u"bootlog.txt");
    EXPECT_FALSE(enabled(322));
    // The directory list ends with "user defined" until a directory is saved.
    std::vector<std::u16string> directories = comboEntries(1001);
    ASSERT_EQ(directories.size(), 14u);
    EXPECT_EQ(directories.back(), u"user defined");
}

TEST(MainPage, PlatformsAreListedByName) {
    DeviceFolder device;
    runApp({});
    std::vector<std::u16string> names = comboEntries(1002);
    ASSERT_FALSE(names.empty());
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
}

// The platform box lists by name but stores the chosen platform's words,
// and shows it again at the next start.
TEST(MainPage, PickedPlatformIsStoredAndShownAgain) {
    std::vector<std::u16string> names;
    {
        DeviceFolder device;
        runApp({});
        names = comboEntries(1002);
    }
    ASSERT_GT(names.size(), 2u);
    for (int position : {0, int(names.size()) / 2, int(names.size()) - 1}) {
        DeviceFolder device;
        runApp({pick(1002, position), tap(kBoot)});
        BootSettings saved;
        ASSERT_TRUE(readSettings(saved)) << position;
        int index = 0;
        while (selectablePlatformName(index) &&
               names[size_t(position)] != selectablePlatformName(index))
            ++index;
        PlatformId expected{};
        ASSERT_TRUE(selectablePlatform(index, expected)) << position;
        EXPECT_EQ(saved.cpuId, expected.cpu) << position;
        EXPECT_EQ(saved.machineId, expected.machine) << position;

        runApp({});
        EXPECT_EQ(comboSelection(1002), position);
        EXPECT_EQ(text(1002), names[size_t(position)]);
    }
}

TEST(MainPage, TypedDirectoryIsListedAndSelectedAtTheNextStart) {
    DeviceFolder device;
    runApp({tap(1001), type(u"\\Storage Card\\boot\\"), tap(kBoot)});
    BootSettings saved;
    ASSERT_TRUE(readSettings(saved));
    EXPECT_EQ(std::u16string(saved.directory), u"\\Storage Card\\boot\\");
    EXPECT_EQ(saved.directorySaved, 1u);

    runApp({});
    std::vector<std::u16string> directories = comboEntries(1001);
    ASSERT_EQ(directories.size(), 14u);
    EXPECT_EQ(directories.back(), u"\\Storage Card\\boot\\");
    EXPECT_EQ(comboSelection(1001), 13);
    EXPECT_EQ(text(1001), u"\\Storage Card\\boot\\");
}

TEST(MainPage, StoresWhatTheUserSet) {
    struct Row {
        const char* what;
        std::vector<host::InputEvent> script;
        std::function<void(const BootSettings&)> check;
    };
    const Row rows[] = {
        {"a typed speed is stored as typed",
         {tap(153), tap(154), type(u"57600"), tap(kBoot)},
         [](const BootSettings& s) {
             EXPECT_EQ(s.serialSpeed, 57600u);
             EXPECT_EQ(s.serialConsole, 1u);
         }},
        {"a picked speed",
         {tap(153), pick(154, 2), tap(kBoot)},
         [](const BootSettings& s) { EXPECT_EQ(s.serialSpeed, 115200u); }},
        {"md enables the image name, which is stored",
         {tap(103), tap(107), type(u"ramdisk.fs"), tap(kBoot)},
         [](const BootSettings& s) {
             EXPECT_EQ(s.rootDevice, 2u);
             EXPECT_EQ(std::u16string(s.imageName), u"ramdisk.fs");
         }},
        {"flags",
         {tap(152), tap(151), tap(150), tap(155), tap(kBoot)},
         [](const BootSettings& s) {
             EXPECT_EQ(s.verbose, 1u);
             EXPECT_EQ(s.singleUser, 1u);
             EXPECT_EQ(s.askName, 1u);
             EXPECT_EQ(s.kernelDebugger, 1u);
         }},
        {"typed seconds beyond the arrows' limits are kept",
         {tapTab(1), tap(200), tap(2000), type(u"90"), tapTab(0), tap(kBoot)},
         [](const BootSettings& s) { EXPECT_EQ(s.autoBootSeconds, 90u); }},
        {"seconds that are no number turn the automatic boot off",
         {tapTab(1), tap(200), tap(2000), type(u"soon"), tap(kBoot)},
         [](const BootSettings& s) { EXPECT_EQ(s.autoBootSeconds, 0u); }},
        {"the up arrow counts from the box's number",
         {tapTab(1), tap(200), tap(2001), tap(kBoot)},
         [](const BootSettings& s) { EXPECT_EQ(s.autoBootSeconds, 29u); }},
        {"extra options and switches of the Option page",
         {tapTab(1), tap(201), tap(203), tap(206), type(u"-x y"), tap(kBoot)},
         [](const BootSettings& s) {
             EXPECT_EQ(std::u16string(s.extraOptions), u"-x y");
             EXPECT_EQ(s.reverseVideo, 1u);
             EXPECT_EQ(s.loadDebugInfo, 1u);
         }},
    };
    for (const Row& row : rows) {
        DeviceFolder device;
        runApp(row.script);
        BootSettings saved;
        ASSERT_TRUE(readSettings(saved)) << row.what;
        SCOPED_TRACE(row.what);
        row.check(saved);
    }
}

TEST(MainPage, UnknownSpeedShowsTheFirstEntry) {
    DeviceFolder device;
    BootSettings s{};
    setDefaultSettings(s);
    s.serialSpeed = 38400;
    writeSettings(s);
    runApp({tap(kBoot)});
    BootSettings saved;
    ASSERT_TRUE(readSettings(saved));
    EXPECT_EQ(saved.serialSpeed, 9600u);
}

TEST(ConsolePage, CheckBoxesMakeTheMask) {
    DeviceFolder device;
    uint32_t mask = 0;
    runApp({tapTab(2), tap(307), tap(300), tap(305), tap(305)},
           [&] { mask = MenuInterface::instance()->consoleCheckMask; });
    EXPECT_EQ(mask, 0x81u);
}

// Where the pages put their controls, in pixels of the page (or of the
// tab control for the pages themselves), and a picture of each page.
TEST(Screen, EveryControlWhereItBelongs) {
    struct Place {
        int id;
        int x;
        int y;
    };
    struct Row {
        const char* name;
        const char* extra;
        std::vector<Place> places;
    };
    const Row rows[] = {
        {"640x240",
         "",
         {{152, 250, 5},
          {151, 250, 25},
          {150, 250, 45},
          {155, 250, 65},
          {153, 250, 85},
          {154, 350, 85}}},
        {"240x320",
         "screen = 240x320x16",
         {{152, 5, 140},
          {151, 5, 160},
          {150, 5, 180},
          {155, 5, 200},
          {153, 5, 220},
          {154, 105, 220}}},
        {"480x640 at 192 dpi",
         "screen = 480x640x16\ndpi = 192",
         {{152, 10, 280}, {153, 10, 440}, {154, 210, 440}}},
    };
    std::filesystem::path out = std::filesystem::path(KESTREL_BINARY_DIR) / "ui-screens";
    std::filesystem::create_directories(out);
    for (const Row& row : rows) {
        DeviceFolder device("jornada720", row.extra);
        SCOPED_TRACE(row.name);
        const host::MachineProfile& p = device.machine().profile();
        const std::vector<int> controls[3] = {
            {1001, 1002, 1003, 101, 102, 103, 104, 105, 106, 107, 100, 152, 151, 150, 155, 153,
             154},
            {200, 2000, 2001, 201, 202, 203, 205, 206},
            {307, 306, 305, 304, 303, 302, 301, 300, 310, 311, 312, 313, 321, 322, 320},
        };
        for (int page = 0; page < 3; ++page) {
            std::filesystem::path png = out / (std::string(row.name).substr(0, 7) + "-page" +
                                               std::to_string(page) + ".png");
            runApp({tapTab(page), tap(page == 0 ? 153 : 321)}, [&] {
                std::string error;
                EXPECT_TRUE(host::renderScreen(png, error)) << error;
            });
            uint32_t w = 0, h = 0;
            ASSERT_TRUE(pngSize(png, w, h));
            EXPECT_EQ(int(w), p.screenWidth);
            EXPECT_EQ(int(h), p.screenHeight);
            // Every control of the shown page lies inside it.
            for (int id : controls[page]) {
                ce::HWND c = control(id);
                ASSERT_TRUE(c) << id;
                EXPECT_TRUE(ce::IsWindowVisible(c)) << id;
                host::WindowRecord* shown = windows().find(ce::GetParent(c));
                ASSERT_TRUE(shown);
                ce::RECT r = rect(id);
                EXPECT_GE(r.left, 0) << id;
                EXPECT_GE(r.top, 0) << id;
                EXPECT_LE(r.right, shown->width()) << id;
                EXPECT_LE(r.bottom, shown->height()) << id;
            }
        }
        runApp({});
        for (const Place& place : row.places) {
            EXPECT_EQ(rect(place.id).left, place.x) << place.id;
            EXPECT_EQ(rect(place.id).top, place.y) << place.id;
        }
    }
}
