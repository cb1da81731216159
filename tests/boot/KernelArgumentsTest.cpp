// The kernel's arguments on the boot-arguments page: the vector and its
// strings, the root device, the extra options and the page's budget.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "boot/KernelArguments.h"
#include "boot/MenuInterface.h"
#include "support/ArchitectureTest.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::ArchitectureTest;
using testing_support::DeviceFolder;
using testing_support::setText;

TEST_F(ArchitectureTest, ArgumentsArePackedBehindTheVector) {
    setText(settings().kernelName, u"keldos.gz");
    settings().serialConsole = settings().verbose = settings().singleUser = 1;
    settings().askName = settings().kernelDebugger = 1;
    settings().rootDevice = kRootSd;
    settings().extraOptions[0] = 0;
    uint32_t physical = 0;
    std::string page = bootPage(physical);
    ASSERT_NE(physical, kNotFound);
    EXPECT_EQ(word(page, 0), 0xC0200000u) << "entry";
    EXPECT_EQ(word(page, 4), 7u) << "argc";
    EXPECT_EQ(word(page, 8), physical + 52) << "argv";
    EXPECT_EQ(word(page, 12), physical + 16) << "bootinfo";
    struct Row {
        uint32_t offset;
        const char* text;
    } rows[] = {{116, "keldos.gz"}, {126, "h"}, {128, "v"},    {130, "s"},
                {132, "a"},         {134, "d"}, {136, "b=sd0"}};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(word(page, 52 + 4 * i), physical + rows[i].offset);
        EXPECT_STREQ(page.c_str() + rows[i].offset, rows[i].text);
    }
    EXPECT_EQ(word(page, 52 + 4 * 7), 0u) << "slots past argc stay clear";
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ArchitectureTest, RootArgumentByDevice) {
    setText(settings().kernelName, u"keldos");
    setText(settings().imageName, u"miniroot.fs");
    struct Row {
        uint32_t device;
        std::vector<std::string> args;
    } rows[] = {
        {kRootWd, {"keldos"}},  // the kernel's own default: nothing
        {kRootSd, {"keldos", "b=sd0"}},
        {kRootMd, {"keldos", "m=miniroot.fs"}},  // the memory disk names its image
        {kRootNfs, {"keldos", "b=nfs"}},
        {kRootDk, {"keldos", "b=dk0"}},
        {kRootLd, {"keldos", "b=ld0"}},
    };
    for (const Row& r : rows) {
        settings().rootDevice = r.device;
        uint32_t physical = 0;
        std::string page = bootPage(physical);
        EXPECT_EQ(arguments(page, physical), r.args) << r.device;
    }
}

TEST_F(ArchitectureTest, ExtraOptionsSplitAtBlanksAndTabs) {
    setText(settings().kernelName, u"keldos");
    settings().rootDevice = kRootWd;
    struct Row {
        std::u16string options;
        std::vector<std::string> args;
    } rows[] = {
        {u"  -x\tfoo   bar ", {"keldos", "-x", "foo", "bar"}},  // blanks and tabs around
        {u"", {"keldos"}},                                      // nothing added, no box
        {u" \t ", {"keldos"}},                                  // blanks only
    };
    for (const Row& r : rows) {
        setText(settings().extraOptions, r.options);
        uint32_t physical = 0;
        std::string page = bootPage(physical);
        EXPECT_EQ(arguments(page, physical), r.args);
    }
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ArchitectureTest, TheTenthExtraOptionIsOneTooMany) {
    setText(settings().kernelName, u"keldos.gz");
    settings().serialConsole = settings().verbose = settings().singleUser = 1;
    settings().askName = settings().kernelDebugger = 1;
    settings().rootDevice = kRootSd;
    setText(settings().extraOptions, u"o1 o2 o3 o4 o5 o6 o7 o8 o9 o10 o11");
    uint32_t physical = 0;
    std::string page = bootPage(physical);
    EXPECT_EQ(word(page, 4), 16u);
    EXPECT_EQ(arguments(page, physical).back(), "o9");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].caption, u"WARNING");
    EXPECT_EQ(boxes()[0].text, u"Too many extra kernel options.");
    EXPECT_EQ(boxes()[0].flags, 0x30u);
}

TEST(KernelArgumentsBudget, AnOptionMustEndWithinTheBudget) {
    DeviceFolder device;
    BootSettings& settings = MenuInterface::instance()->settings();
    setText(settings.kernelName, u"k");
    settings.rootDevice = kRootWd;
    setText(settings.extraOptions, u"abc defg");
    struct Row {
        uint32_t budget;
        uint32_t argc;
    } rows[] = {
        {64 + 2 + 4 + 5, 3},  // "k", "abc" and "defg" end exactly at the budget
        {64 + 2 + 4 + 4, 2},  // one byte short: "defg" is dropped with the warning
    };
    for (const Row& r : rows) {
        uint32_t vector[64] = {};
        device.machine().messageBoxes().clear();
        EXPECT_EQ(KernelArguments(vector, 0xC0800034, r.budget, MenuInterface::instance())
                      .build(settings, settings.kernelName, settings.imageName),
                  r.argc);
        EXPECT_EQ(device.machine().messageBoxes().size(), r.argc == 3 ? 0u : 1u);
        EXPECT_STREQ(reinterpret_cast<const char*>(vector) + 64, "k");
        EXPECT_EQ(vector[1], 0xC0800034u + 66);
    }
}

}  // namespace
