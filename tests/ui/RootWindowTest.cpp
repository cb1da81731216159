// The root window and the application frame driven as a person would:
// focus movement, the Boot command and its question, the auto-boot timer,
// leaving by Cancel, and a start-up whose window class cannot be registered.
#include <gtest/gtest.h>

#include "boot/MenuInterface.h"
#include "support/DeviceFolder.h"
#include "ui/UiDriver.h"

using namespace ui_test;
using testing_support::DeviceFolder;

namespace {

constexpr int kBoot = 5, kCancel = 6, kTabs = 7;
constexpr int kDirectoryBox = 1001, kKernelName = 1003, kSerialConsole = 153;
constexpr int kPauseBeforeBoot = 202, kSafetyMessage = 205;

const host::InputEvent kTab = key(ce::VK_TAB);
const host::InputEvent kShiftTab = key(ce::VK_TAB, true);

bool contains(const std::u16string& text, const std::u16string& part) {
    return text.find(part) != std::u16string::npos;
}

std::vector<host::InputEvent> repeat(const host::InputEvent& e, int n) {
    return std::vector<host::InputEvent>(size_t(n), e);
}

BootSettings defaults() {
    BootSettings s{};
    setDefaultSettings(s);
    return s;
}

}  // namespace

TEST(RootWindowFocus, MovesAlongTheCycle) {
    DeviceFolder device;
    struct Row {
        const char* what;
        std::vector<host::InputEvent> keys;
        int focus;
    };
    std::vector<host::InputEvent> toLastOfMain = repeat(kTab, 3 + 7);
    std::vector<host::InputEvent> pastLastOfMain = toLastOfMain;
    pastLastOfMain.push_back(kTab);
    const Row rows[] = {
        {"the Boot button has the focus at start", {}, kBoot},
        {"Tab on Boot goes to Cancel", {kTab}, kCancel},
        {"Shift+Tab on Boot goes to the tab control", {kShiftTab}, kTabs},
        {"Tab on Cancel goes to the tab control", {kTab, kTab}, kTabs},
        {"Tab on the tab control goes into the visible page", repeat(kTab, 3), kDirectoryBox},
        {"Left on the tab control goes to Cancel", {kTab, kTab, key(ce::VK_LEFT)}, kCancel},
        {"Right on Boot goes to Cancel", {key(ce::VK_RIGHT)}, kCancel},
        {"Shift+Tab on Cancel goes back to Boot", {kTab, kShiftTab}, kBoot},
        {"after the question the focus is back on Boot", {key(ce::VK_RETURN)}, kBoot},
        {"Tab walks the page's tab stops in their order", toLastOfMain, kSerialConsole},
        {"Tab on the page's last tab stop goes to the tab control", pastLastOfMain, kTabs},
    };
    for (const Row& row : rows) {
        runApp(row.keys);
        EXPECT_EQ(focusId(), row.focus) << row.what;
    }
}

TEST(RootWindowBoot, SafetyQuestionCarriesItsFlags) {
    struct Row {
        const char* what;
        std::vector<host::InputEvent> script;
        bool asked;
        uint32_t flags;
    };
    const Row rows[] = {
        {"safety and pause set: question mark", {tap(kBoot)}, true, 0x24},
        {"pause cleared: exclamation mark",
         {tapTab(1), tap(kPauseBeforeBoot), tap(kBoot)},
         true,
         0x34},
        {"safety cleared: no question", {tapTab(1), tap(kSafetyMessage), tap(kBoot)}, false, 0},
    };
    for (const Row& row : rows) {
        DeviceFolder device;
        runApp(row.script);
        auto& boxes = device.machine().messageBoxes();
        bool asked = !boxes.empty() && boxes.front().caption == u"WARNING";
        EXPECT_EQ(asked, row.asked) << row.what;
        if (asked) {
            EXPECT_EQ(boxes.front().flags, row.flags) << row.what;
            EXPECT_EQ(boxes.front().text, u"Data in memory will be lost.\nAre you sure?");
        }
        EXPECT_TRUE(contains(consoleText(), u"BOOT START\r\n")) << row.what;
        BootSettings saved;
        EXPECT_TRUE(readSettings(saved)) << row.what << ": the boot start saves the settings";
    }
}

TEST(RootWindowBoot, NoToTheQuestionStartsNothing) {
    DeviceFolder device("jornada720", "answer.WARNING = no");
    std::u16string kernelName;
    runApp({tap(kKernelName), type(u"other.gz"), tap(kBoot)},
           [&] { kernelName = MenuInterface::instance()->settings().kernelName; });
    EXPECT_EQ(kernelName, u"other.gz") << "the pages were stored before the question";
    ASSERT_EQ(device.machine().messageBoxes().size(), 1u);
    EXPECT_FALSE(contains(consoleText(), u"BOOT START"));
    BootSettings saved;
    EXPECT_FALSE(readSettings(saved));
    EXPECT_EQ(ce::SendMessageW(control(4), ce::PBM_GETPOS, 0, 0), 0);
}

TEST(RootWindowBoot, LeavingByCancelWritesNoConfiguration) {
    DeviceFolder device;
    EXPECT_EQ(runApp({tap(kSerialConsole), tap(kCancel)}), 0);
    BootSettings saved;
    EXPECT_FALSE(readSettings(saved));
    EXPECT_FALSE(contains(consoleText(), u"BOOT START"));
}

TEST(RootWindowBoot, CloseBoxEndsTheRun) {
    DeviceFolder device;
    const host::MachineProfile& p = device.machine().profile();
    // The close box is at the command bar's right end.
    EXPECT_EQ(runApp({tapPoint(p.screenWidth - 10, 10)}), 0);
    EXPECT_FALSE(ce::IsWindow(control(kBoot)));
}

TEST(AutoBoot, CancelledByAKeyOrATapOtherwiseStartsWithoutAQuestion) {
    struct Row {
        const char* what;
        std::vector<host::InputEvent> script;
        bool boots;
    };
    const Row rows[] = {
        {"no input: the timer boots after 5 s", {}, true},
        {"input after the timer fired changes nothing", {wait(6000), key(ce::VK_DOWN)}, true},
        {"a key within the 5 s cancels", {wait(1000), key(ce::VK_DOWN)}, false},
        {"a tap within the 5 s cancels", {tapPoint(300, 200)}, false},
        {"a tap on a tab cancels", {tapTab(2)}, false},
    };
    for (const Row& row : rows) {
        DeviceFolder device;
        BootSettings s = defaults();
        s.autoBootSeconds = 5;
        writeSettings(s);
        uint64_t started = windows().now();
        uint64_t bootedAt = 0;
        runApp(row.script, [&] { bootedAt = windows().now(); });
        EXPECT_EQ(contains(consoleText(), u"BOOT START"), row.boots) << row.what;
        EXPECT_EQ(windows().timerCount(), 0u) << row.what;
        for (const auto& box : device.machine().messageBoxes()) {
            EXPECT_NE(box.caption, u"WARNING") << row.what << ": the timer asks no question";
        }
        if (row.boots) {
            EXPECT_GE(bootedAt - started, 5000u) << row.what;
        }
    }
}

TEST(AutoBoot, WithoutSecondsNoTimerIsArmed) {
    DeviceFolder device;
    bool armed = true;
    runApp({key(ce::VK_DOWN), tapPoint(300, 200)}, [&] { armed = windows().timerCount() != 0; });
    EXPECT_FALSE(armed);
    EXPECT_EQ(windows().killTimerCalls(), 0u) << "keys and taps leave the timer alone";
    EXPECT_FALSE(contains(consoleText(), u"BOOT START"));
}

TEST(AutoBoot, EveryKeyAndTapStopsTheTimerAgain) {
    DeviceFolder device;
    BootSettings s = defaults();
    s.autoBootSeconds = 5;
    writeSettings(s);
    runApp({key(ce::VK_DOWN), tapPoint(300, 200), key(ce::VK_DOWN)});
    // Each key is one WM_KEYDOWN, each tap one WM_LBUTTONDOWN.
    EXPECT_EQ(windows().killTimerCalls(), 3u);
    EXPECT_FALSE(contains(consoleText(), u"BOOT START"));
}

TEST(RootWindowLayout, ButtonsFollowTheScreenWidth) {
    struct Row {
        const char* profile;
        const char* extra;
        int width;
    };
    const Row rows[] = {
        {"jornada720", "", 75},                     // 640 wide
        {"ipaq3900", "screen = 320x240x16", 50},    // exactly 320: narrow
        {"jornada720", "screen = 240x320x16", 50},  // portrait
    };
    for (const Row& row : rows) {
        DeviceFolder device(row.profile, row.extra);
        runApp({});
        const host::MachineProfile& p = device.machine().profile();
        ce::RECT boot = rect(kBoot), cancel = rect(kCancel), bar = rect(4), tabs = rect(kTabs);
        int h = rect(3).bottom - rect(3).top;  // the command bar's height
        EXPECT_EQ(boot.right - boot.left, row.width) << row.extra;
        EXPECT_EQ(boot.top, h);
        EXPECT_EQ(cancel.left, p.screenWidth - row.width);
        EXPECT_EQ(bar.left, row.width);
        EXPECT_EQ(bar.right, p.screenWidth - row.width);
        EXPECT_EQ(tabs.top, 2 * h);
        EXPECT_EQ(tabs.bottom, p.screenHeight);
    }
}

TEST(ApplicationFrame, ClassRegistrationFailureExitsWithZero) {
    DeviceFolder device("jornada720", "fail.RegisterClassW = yes");
    bool waited = false;
    EXPECT_EQ(runApp({tap(kBoot)}, [&] { waited = true; }), 0);
    EXPECT_FALSE(waited) << "no message loop runs";
    EXPECT_TRUE(windows().topLevelWindows().empty());
    BootSettings saved;
    EXPECT_FALSE(readSettings(saved));
}

// The boot procedure's progress reaches the bar and the Console page through
// MenuInterface; here button "a" of the Console page reports the steps.
TEST(RootWindowProgress, StepsFillTheBarAndPrintTheirText) {
    using Report = void (*)();
    struct Row {
        const char* what;
        Report report;
        int position;
        std::u16string box;
    };
    const Row rows[] = {
        {"the eleven steps fill the bar exactly",
         [] {
             for (const char* step : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"})
                 MenuInterface::instance()->progress(step);
         },
         11,
         u"[progress] 0\r\n[progress] 1\r\n[progress] 2\r\n[progress] 3\r\n[progress] 4\r\n"
         u"[progress] 5\r\n[progress] 6\r\n[progress] 7\r\n[progress] 8\r\n[progress] 9\r\n"
         u"[progress] 10\r\n"},
        {"a step without text moves the bar silently",
         [] { MenuInterface::instance()->progress(nullptr); }, 1, u""},
        {"unprogress empties the bar",
         [] {
             MenuInterface::instance()->progress("0");
             MenuInterface::instance()->unprogress();
         },
         0, u"[progress] 0\r\n"},
    };
    for (const Row& row : rows) {
        DeviceFolder device;
        static Report report = nullptr;
        report = row.report;
        MenuInterface::instance()->consoleButtons[0] = {[](uint32_t, uint8_t) { report(); }, 0};
        runApp({tapTab(2), tap(310)});
        EXPECT_EQ(ce::SendMessageW(control(4), ce::PBM_GETPOS, 0, 0), row.position) << row.what;
        EXPECT_EQ(consoleText(), row.box) << row.what;
    }
}

TEST(ApplicationFrame, RegistersTheClassAndTitlesTheWindow) {
    DeviceFolder device;
    runApp({});
    const host::WindowClassRecord* c = windows().findClass(u"KESTREL");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->extraBytes, 4) << "room for the window object";
    EXPECT_EQ(c->background, ce::GetStockObject(ce::LTGRAY_BRUSH));
    EXPECT_TRUE(c->icon) << "icon resource 1";
    std::vector<ce::HWND> top = windows().topLevelWindows();
    ASSERT_EQ(top.size(), 1u);
    host::WindowRecord* root = windows().find(top.front());
    ASSERT_TRUE(root);
    EXPECT_EQ(root->text, u"KESTREL Build 15");
    EXPECT_EQ(root->className, u"KESTREL");
}
