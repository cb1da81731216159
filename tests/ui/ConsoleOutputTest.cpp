// The Console page's output path: the text box, and the log file on the
// storage card while "save to file" is on.
#include <gtest/gtest.h>

#include <filesystem>

#include "boot/MenuInterface.h"
#include "console/Console.h"
#include "support/DeviceFolder.h"
#include "ui/UiDriver.h"

using namespace ui_test;
using testing_support::DeviceFolder;

namespace {

constexpr int kSaveToFile = 321, kFileName = 322, kButtonA = 310;

// Button "a" of the Console page prints `text` through the process-wide
// console (no hook is registered by the system itself).
void printOnButtonA(const char16_t* text) {
    static const char16_t* message = nullptr;
    message = text;
    MenuInterface::instance()->consoleButtons[0] = {
        [](uint32_t, uint8_t) { Console::instance()->print(TEXT("%s"), message); }, 0};
}

}  // namespace

TEST(ConsoleOutput, LineFeedsBecomeLineBreaksInTheBox) {
    DeviceFolder device;
    printOnButtonA(u"a\nb");
    runApp({tapTab(2), tap(kButtonA)});
    EXPECT_EQ(consoleText(), u"a\r\nb");
}

TEST(ConsoleOutput, SaveToFileWritesLowSevenBitsToTheCard) {
    struct Row {
        const char* what;
        const char16_t* message;
        std::string bytes;
    };
    const Row rows[] = {
        {"a line feed stays one byte", u"a\nb", "a\nb"},
        {"U+00E9 keeps its low seven bits", u"caf\u00e9\n", std::string("caf\x69\n")},
    };
    for (const Row& row : rows) {
        DeviceFolder device;
        printOnButtonA(row.message);
        runApp({tapTab(2), tap(kSaveToFile), tap(kButtonA)});
        EXPECT_EQ(device.readFile("Storage Card/bootlog.txt"), row.bytes) << row.what;
        EXPECT_EQ(consoleText(), u"log file is \\Storage Card\\bootlog.txt\r\n") << row.what;
        EXPECT_TRUE(checked(kSaveToFile));
    }
}

TEST(ConsoleOutput, NamedLogFileTakesTheBootStartToo) {
    DeviceFolder device;
    printOnButtonA(u"x");
    runApp({tapTab(2), tap(kSaveToFile), tap(kFileName), type(u"x.txt"), tap(kButtonA), tapTab(0),
            tap(5)});
    std::string file = device.readFile("Storage Card/x.txt");
    EXPECT_EQ(file.substr(0, 12), "xBOOT START\n");
    EXPECT_EQ(consoleText().substr(0, 34), u"log file is \\Storage Card\\x.txt\r\n");
    EXPECT_EQ(consoleText().find(u"BOOT START"), std::u16string::npos);  // only in the file
}

TEST(ConsoleOutput, WithoutALogFileTheCheckBoxIsCleared) {
    struct Row {
        const char* what;
        bool card;
        std::vector<host::InputEvent> name;  // what is done to the file-name box
        std::u16string box;
    };
    const Row rows[] = {
        {"no card: the reason, then the message",
         false,
         {},
         u"couldn't find temporary directory.\r\nmessage\r\n"},
        {"a name in a missing folder: the message alone",
         true,
         {tap(kFileName), type(u"nofolder\\x.txt")},
         u"message\r\n"},
    };
    for (const Row& row : rows) {
        DeviceFolder device("jornada720", "", row.card);
        printOnButtonA(u"message\n");
        std::vector<host::InputEvent> script = {tapTab(2), tap(kSaveToFile)};
        script.insert(script.end(), row.name.begin(), row.name.end());
        script.push_back(tap(kButtonA));
        runApp(script);
        EXPECT_EQ(consoleText(), row.box) << row.what;
        EXPECT_FALSE(checked(kSaveToFile)) << row.what;
        EXPECT_FALSE(enabled(kFileName)) << row.what;
    }
}

TEST(ConsoleOutput, NameChangedAfterOpeningIsNotUsed) {
    DeviceFolder device;
    printOnButtonA(u"m\n");
    runApp({tapTab(2), tap(kSaveToFile), tap(kButtonA), tap(kFileName), type(u"y.txt"),
            tap(kButtonA)});
    EXPECT_EQ(device.readFile("Storage Card/bootlog.txt"), "m\nm\n");
    EXPECT_FALSE(std::filesystem::exists(device.card() / "y.txt"));
    EXPECT_EQ(text(kFileName), u"y.txt");
}

TEST(ConsoleOutput, UncheckingSendsTextToTheBoxAgain) {
    DeviceFolder device;
    printOnButtonA(u"m\n");
    runApp({tapTab(2), tap(kSaveToFile), tap(kButtonA), tap(kSaveToFile), tap(kButtonA),
            tap(kSaveToFile), tap(kButtonA)});
    EXPECT_EQ(device.readFile("Storage Card/bootlog.txt"), "m\nm\n");
    EXPECT_EQ(consoleText(), u"log file is \\Storage Card\\bootlog.txt\r\nm\r\n");
}

TEST(ConsoleOutput, SerialConsoleReportsItsPortOnThePage) {
    struct Row {
        const char* what;
        const char* com1;
        std::u16string shown;  // on the page, not on the port
    };
    const Row rows[] = {
        {"the port's four settings", "com1 = file:com1.out",
         u"BaudRate 115200, ByteSize 0x8, Parity 0, StopBits 0\r\n"},
        {"no port: the window console goes on", "com1 = none",
         u"couldn't open COM1\r\nuse LCD console instead.\r\n"},
    };
    for (const Row& row : rows) {
        DeviceFolder device("jornada720", std::string(row.com1) + "\nanswer.WARNING = yes");
        BootSettings s{};
        setDefaultSettings(s);
        s.cpuId = 0x0c108000;
        s.machineId = 0x02c20201;
        s.serialConsole = 1;
        s.serialSpeed = 115200;
        writeSettings(s);
        runApp({tap(5)});  // Boot: no kernel on the card, so the attempt fails
        EXPECT_NE(consoleText().find(row.shown), std::u16string::npos)
            << row.what << "\n"
            << host::toUtf8(consoleText());
    }
}
