// The serial console through the COM1 driver, which the UART consoles build on.
#include <gtest/gtest.h>

#include "console/SerialConsole.h"
#include "machine/Com1.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::DeviceFolder;

constexpr uint32_t kSpeed = 19200;

// The driver console itself, which the system only uses as a base.
class ComConsole : public SerialConsole {
  public:
    ComConsole() : SerialConsole(kSpeed) {}
    ~ComConsole() = default;
};

TEST(ComConsole, WritesThroughTheDriverWithCarriageReturns) {
    DeviceFolder device("jornada720", "com1 = file:com1.out\n");
    ComConsole c;
    ASSERT_TRUE(c.init());
    c.print(u"a\nb\n");
    EXPECT_EQ(device.machine().component<host::Com1>().received().substr(28), "a\r\nb\r\n");
}

}  // namespace
