// The process-wide console and COM1's banner.
#include <gtest/gtest.h>

#include "boot/MenuInterface.h"
#include "ce/WindowSystem.h"
#include "console/Com1.h"
#include "console/Console.h"
#include "console/ConsoleSink.h"
#include "machine/Com1.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;

TEST(Console, OneProcessWideConsole) {
    DeviceFolder device;
    Console* first = Console::instance();
    EXPECT_EQ(Console::instance(), first);
    EXPECT_EQ(first->kind(), Console::kWindow);
    CaptureConsole serial(Console::kSerial);
    Console::changeConsole(&serial);
    EXPECT_EQ(Console::instance(), &serial);
    Console::instance()->print(u"%s=%d\n", u"x", 5);
    EXPECT_EQ(serial.utf8(), "x=5\n");
    Console::destroy();
    EXPECT_NE(Console::instance(), &serial);  // a fresh window console after destroy
}

TEST(Console, LongMessagesAreCutAtTheLine) {
    DeviceFolder device;
    CaptureConsole console;
    std::u16string path(400, u'p');
    console.print(u"can't open \"%s\". cause = %d\n", path.c_str(), 2);
    EXPECT_EQ(console.text.size(), size_t(Console::kLineUnits - 1));
    EXPECT_EQ(console.text.substr(0, 12), u"can't open \"");
}

// Stands where the Console page registers itself, and keeps what it is given.
class RecordingSink : public ConsoleSink {
  public:
    void write(const ce::WCHAR* line) override { text += line; }
    std::u16string text;
};

TEST(Console, WindowConsoleWithoutAPageDropsText) {
    DeviceFolder device;
    Console* window = Console::instance();
    ASSERT_EQ(window->kind(), Console::kWindow);
    window->print(u"dropped\n");  // no Console page exists
    // Nothing is kept for a page that comes later, and no window shows it.
    RecordingSink page;
    Console::setSink(&page);
    window->print(u"kept\n");
    Console::setSink(nullptr);
    EXPECT_EQ(page.text, u"kept\n");
    EXPECT_TRUE(host::WindowSystem::current().topLevelWindows().empty());
}

TEST(Com1, BannerOnceAtTheConfiguredSpeed) {
    DeviceFolder device("jornada720", "com1 = file:com1.out");
    ce::HANDLE first = openCom1(115200);
    ASSERT_NE(first, ce::INVALID_HANDLE_VALUE);
    EXPECT_EQ(openCom1(9600), first);  // later attempts find the port open, speed kept
    host::Com1& port = device.machine().component<host::Com1>();
    EXPECT_EQ(port.received(), std::string("\r\n--------KESTREL--------\r\n\0", 28));
    EXPECT_EQ(port.dcb().BaudRate, 115200u);
    EXPECT_EQ(port.dcb().ByteSize, 8);  // the rest stays as the driver had it
    EXPECT_EQ(port.opens(), 1);
    EXPECT_EQ(testing_support::readBytes(device.dir() / "com1.out").size(), 28u);
}

TEST(Com1, NoPortNothingKept) {
    DeviceFolder device("jornada720", "com1 = none");
    EXPECT_EQ(openCom1(19200), ce::INVALID_HANDLE_VALUE);
    EXPECT_EQ(openCom1(19200), ce::INVALID_HANDLE_VALUE);
}

}  // namespace
