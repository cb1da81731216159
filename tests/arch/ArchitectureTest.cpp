// The architecture base: coredll lookups, the memory reservation, the
// system probe, and the boot-arguments page it cannot get.
#include "support/ArchitectureTest.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testing_support::ArchitectureTest;
using testing_support::EntryOnly;

TEST_F(ArchitectureTest, AllocateMemoryAddsFourPagesAndRoundsTo64K) {
    struct Row {
        uint32_t bytes;
        uint32_t reserved;
    } rows[] = {
        {0, 0x10000},        // the four spare pages alone, rounded
        {4080, 0x10000},     // one payload page + 4
        {4081, 0x10000},     // two payload pages + 4 = 24576, rounded
        {1048576, 1114112},  // 258 + 4 pages = 1073152, rounded
        {0xFFFFFFFF, 0},     // more than the address space: refused
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.bytes);
        console.text.clear();
        EXPECT_EQ(architecture->allocateMemory(r.bytes), r.reserved != 0);
        if (r.reserved) {
            EXPECT_EQ(console.utf8().substr(0, console.utf8().find('.')),
                      "address translation table " + std::to_string(r.reserved / kPage) + " pages");
        } else {
            EXPECT_NE(console.utf8().find("can't allocate memory\n"), std::string::npos);
        }
    }
}

TEST_F(ArchitectureTest, CoreDllIsLoadedOnceForAllLookups) {
    int before = device.machine().counters()["LoadLibraryW"];
    EXPECT_EQ(architecture->findUnlockPages(),
              reinterpret_cast<ce::UnlockPagesProc>(&host::unlockPages));
    EXPECT_EQ(architecture->findLockPages(), reinterpret_cast<ce::LockPagesProc>(&host::lockPages));
    EXPECT_EQ(architecture->findCoreDllProc(u"NoSuchFunction"), nullptr);
    EXPECT_EQ(device.machine().counters()["LoadLibraryW"] - before, 1);
    EXPECT_TRUE(boxes().empty());
}

class MissingCoreDllTest : public ArchitectureTest {
  protected:
    MissingCoreDllTest() : ArchitectureTest("jornada720", "coredll = missing") {}
};

TEST_F(MissingCoreDllTest, EveryLookupWarnsAndFindsNothing) {
    EXPECT_EQ(architecture->findLockPages(), nullptr);
    EXPECT_EQ(architecture->findUnlockPages(), nullptr);
    ASSERT_EQ(boxes().size(), 2u);
    for (const auto& box : boxes()) {
        EXPECT_EQ(box.caption, u"WARNING");
        EXPECT_EQ(box.text, u"Can't load coredll.dll.");
        EXPECT_EQ(box.flags, 0x30u);
    }
}

TEST_F(ArchitectureTest, SystemProbeLines) {
    architecture->systemInfo();
    EXPECT_EQ(console.utf8(),
              "_WIN32_WCE = 211\n"
              "GetVersionEx\n"
              "Windows CE 3.0\n"
              "GetSystemInfo:\n"
              "wProcessorArchitecture      0x5\n"
              "wProcessorLevel             0x4\n"
              "wProcessorRevision          0xb\n"
              "dwPageSize                  0x1000\n"
              "dwAllocationGranularity     0x00010000\n"
              "dwProcessorType             0xa11\n"
              "Display: 640x240 16bpp\n");
}

class NoGetVersionExTest : public ArchitectureTest {
  protected:
    NoGetVersionExTest() : ArchitectureTest("wzero3", "missing_exports = GetVersionEx") {}
};

TEST_F(NoGetVersionExTest, ProbeFallsBackToTheImportedCall) {
    architecture->systemInfo();
    std::string out = console.utf8();
    EXPECT_NE(out.find("GetVersionExW\nWindows CE 5.1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Display: 480x640 16bpp\n"), std::string::npos);
}

TEST_F(ArchitectureTest, WithoutAPageThereAreNoBootArguments) {
    ASSERT_TRUE(architecture->allocateMemory(0));
    uint32_t v = 0, p = 0;
    while (memoryManager->takeLastPage(v, p)) {
    }
    MemoryManager* none = memoryManager;
    EntryOnly loader(consolePointer, none);
    console.text.clear();
    const BootSettings& s = settings();
    ArgumentPageWriter writer(consolePointer, s, s.kernelName, s.imageName, nullptr);
    EXPECT_EQ(architecture->setupBootInfo(loader, writer), kNotFound);
    EXPECT_EQ(console.utf8(), "can't get page for boot arguments.\n");
}

}  // namespace
