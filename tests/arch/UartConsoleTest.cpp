// The UART consoles that write straight into serial port 3 (SA-11x0) or the
// full-function UART (PXA-2x0) of the simulated handheld.
#include <gtest/gtest.h>

#include <memory>

#include "arch/arm/ARMSerialConsole.h"
#include "arch/arm/PXA2X0SerialConsole.h"
#include "arch/arm/SA1100Architecture.h"
#include "arch/arm/SA1100SerialConsole.h"
#include "machine/Com1.h"
#include "machine/DeviceBus.h"
#include "memory/MemoryManager_LockPages.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;

// A handheld with COM1 kept in a file and a memory manager for the UART
// mapping; the UART console instance is destroyed with it.
class Uart {
  public:
    explicit Uart(const std::string& profile, const std::string& extra = "")
        : device(profile, "com1 = file:com1.out\n" + extra) {
        SA1100Architecture coredll(console, memory);  // for the coredll lookups
        manager = std::make_unique<MemoryManager_LockPages>(
            coredll.findLockPages(), coredll.findUnlockPages(), console, 4096, 0);
        memory = manager.get();
    }
    ~Uart() { ARMSerialConsole::destroyInstance(); }
    std::string uart() { return device.machine().component<host::DeviceBus>().uartOutput(); }
    std::string com1() { return device.machine().component<host::Com1>().received(); }

    DeviceFolder device;
    CaptureConsole capture;
    Console* console = &capture;
    MemoryManager* memory = nullptr;
    std::unique_ptr<MemoryManager> manager;
};

constexpr uint32_t kSpeed = 19200;

struct Family {
    const char* profile;
    uint32_t kind;
};

const Family kFamilies[] = {
    {"jornada720", 0x0C104000},  // SA-11x0: serial port 3
    {"ipaq3900", 0x0C204000},    // PXA250: full-function UART
    {"wzero3", 0x0C208000},      // PXA270: full-function UART
};

void PrintTo(const Family& f, std::ostream* os) {
    *os << f.profile;
}

class UartConsole : public testing::TestWithParam<Family> {};

TEST_P(UartConsole, LineFeedsGoOutAsCarriageReturnLineFeed) {
    Uart u(GetParam().profile);
    ARMSerialConsole* c = ARMSerialConsole::instance(u.memory, GetParam().kind, kSpeed);
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(c->init());
    c->print(u"a\n");
    EXPECT_EQ(u.uart(), "a\r\n");
    // COM1 was opened through the driver first, with the banner only.
    EXPECT_EQ(u.com1().size(), 28u);
}

TEST_P(UartConsole, UnmappableUartFailsInitAndSendsNothing) {
    Family f = GetParam();
    Uart u(f.profile,
           f.kind == 0x0C104000 ? "refuse_physical = 0x80050000" : "refuse_physical = 0x40100000");
    ARMSerialConsole* c = ARMSerialConsole::instance(u.memory, f.kind, kSpeed);
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(c->init());
    c->print(u"lost\n");
    EXPECT_EQ(u.uart(), "");
}

TEST_P(UartConsole, NoComPortNoConsole) {
    Uart u(GetParam().profile, "com1 = none");
    ARMSerialConsole* c = ARMSerialConsole::instance(u.memory, GetParam().kind, kSpeed);
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(c->init());
}

TEST_P(UartConsole, ReInitMapsTheRegistersAgain) {
    Uart u(GetParam().profile);
    ARMSerialConsole* c = ARMSerialConsole::instance(u.memory, GetParam().kind, kSpeed);
    ASSERT_TRUE(c->init());
    ASSERT_TRUE(c->init());
    c->print(u"twice\n");
    EXPECT_EQ(u.uart(), "twice\r\n");
}

INSTANTIATE_TEST_SUITE_P(Families, UartConsole, testing::ValuesIn(kFamilies),
                         [](const auto& info) { return std::string(info.param.profile); });

TEST(UartConsoleInstance, OnePerRunForTheKnownKinds) {
    Uart u("wzero3");
    EXPECT_EQ(ARMSerialConsole::instance(u.memory, 0x0C300000, kSpeed), nullptr);  // unknown kind
    ARMSerialConsole* first = ARMSerialConsole::instance(u.memory, 0x0C208000, kSpeed);
    EXPECT_NE(dynamic_cast<PXA2X0SerialConsole*>(first), nullptr);
    EXPECT_EQ(first->kind(), Console::kSerial);
    // Later calls do not look at their arguments.
    EXPECT_EQ(ARMSerialConsole::instance(u.memory, 0x0C104000, kSpeed), first);
    ARMSerialConsole::destroyInstance();
    EXPECT_NE(dynamic_cast<SA1100SerialConsole*>(
                  ARMSerialConsole::instance(u.memory, 0x0C104000, kSpeed)),
              nullptr);
}

TEST(UartConsoleInstance, DestroyingTheProcessWideOneLeavesTheWindowConsole) {
    Uart u("jornada720");
    ARMSerialConsole* c = ARMSerialConsole::instance(u.memory, 0x0C104000, kSpeed);
    Console::changeConsole(c);
    ARMSerialConsole::destroyInstance();
    EXPECT_EQ(Console::instance()->kind(), Console::kWindow);
}

TEST(UartConsoleLength, MessagesOverTheNarrowLineAreNotSent) {
    Uart u("jornada720");
    ARMSerialConsole* c = ARMSerialConsole::instance(u.memory, 0x0C104000, kSpeed);
    ASSERT_TRUE(c->init());
    std::u16string fits(255, u'x');  // 255 bytes and the terminator
    std::u16string over(256, u'y');
    c->print(u"%s", fits.c_str());
    c->print(u"%s", over.c_str());
    EXPECT_EQ(u.uart(), std::string(255, 'x'));
}

TEST(UartConsoleDeathTest, UartOfTheOtherFamilyEndsTheRunInsteadOfHanging) {
    // A PXA-2x0 platform chosen on an SA-11x0 handheld: the console's status
    // register is on no device of this machine, and its wait would never end.
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            Uart h("jornada720");
            Console* serial = ARMSerialConsole::instance(h.memory, 0x0C208000, kSpeed);
            if (serial && serial->init())
                serial->print(u"x");
            std::exit(0);
        },
        testing::ExitedWithCode(1), "keeps polling physical 0x40100014, where the HP Jornada 720");
}

}  // namespace
