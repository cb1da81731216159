// The loader base: how regions become load and zero clear links in the
// reserved pages, the file-system image's place, and the closed chain.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "ce/CoreDll.h"
#include "loader/Loader.h"
#include "loader/MemoryFile.h"
#include "machine/ChainWalker.h"
#include "machine/PhysicalImage.h"
#include "machine/PhysicalMemory.h"
#include "memory/MemoryManager_LockPages.h"
#include "memory/PageTag.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;
using testing_support::MemoryFile;

constexpr uint32_t kPage = 4096;
constexpr uint32_t kPayload = 4080;

// Exposes the link operations to the tests.
class RegionLoader : public Loader {
  public:
    using Loader::Loader;
    uint32_t memorySize() override { return 0; }
    bool load() override { return true; }
    uint32_t jumpAddr() override { return 0; }
    using Loader::addLoadLink;
    using Loader::addLoadLinkFromMemory;
    using Loader::initLinks;
};

std::string counting(uint32_t bytes) {
    std::string s(bytes, 0);
    for (uint32_t i = 0; i < bytes; ++i)
        s[i] = char(i * 7 + i / 251);
    return s;
}

class LoaderTest : public ::testing::Test {
  protected:
    explicit LoaderTest(uint32_t reserveBytes = 0x40000) {
        memoryManager = new MemoryManager_LockPages(&host::lockPages, &host::unlockPages,
                                                    consolePointer, kPage, 0);
        memoryManager->reservePages(reserveBytes, false);
        file = new MemoryFile(consolePointer);
        file->add(u"kernel", counting(0x10000));
        file->open(u"kernel", FileManager::kOpenMode);
        loader = std::make_unique<RegionLoader>(consolePointer, memoryManager);
        FileManager* f = file;
        loader->setFile(f);
        console.text.clear();
    }
    ~LoaderTest() override {
        loader.reset();
        delete file;
        delete memoryManager;
    }
    const PageTag& tagAt(uint32_t physical) {
        return *reinterpret_cast<const PageTag*>(memory().ram(physical, sizeof(PageTag)));
    }
    // The chain from its head, in order.
    std::vector<PageTag> chain() {
        std::vector<PageTag> tags;
        for (uint32_t at = loader->listHead(); at != PageTag::kEndOfChain && tags.size() < 1000;) {
            tags.push_back(tagAt(at));
            at = tags.back().next;
        }
        return tags;
    }
    host::PhysicalMemory& memory() { return device.machine().component<host::PhysicalMemory>(); }

    DeviceFolder device;
    CaptureConsole console;
    Console* consolePointer = &console;
    MemoryManager* memoryManager = nullptr;
    MemoryFile* file = nullptr;
    std::unique_ptr<RegionLoader> loader;
};

TEST_F(LoaderTest, RegionSplitsIntoPayloadSizedLinks) {
    struct Row {
        uint32_t fileSize, memSize;
        std::vector<uint32_t> sizes;  // load links in order; a zero link last
        bool zeroLink;
    } rows[] = {
        {10000, 10000, {4080, 4080, 1840}, false},  // two full pages and the rest
        {8160, 8160, {4080, 4080}, false},          // an exact multiple: no remainder link
        {0, 0x3000, {0x3000}, true},                // nothing from the file: one zero link
        {100, 0x1000, {100, 0x1000 - 100}, true},   // the rest of the region is cleared
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.fileSize);
        loader->initLinks();
        const uint32_t dst = 0xC0200000, offset = 0x1000;
        loader->addLoadLink(dst, r.memSize, offset, r.fileSize);
        loader->finishLinks();
        std::vector<PageTag> tags = chain();
        ASSERT_EQ(tags.size(), r.sizes.size());
        uint32_t at = dst;
        for (size_t i = 0; i < tags.size(); ++i) {
            bool zero = r.zeroLink && i + 1 == tags.size();
            EXPECT_EQ(tags[i].dst, at);
            EXPECT_EQ(tags[i].size, r.sizes[i]);
            EXPECT_EQ(tags[i].src == PageTag::kZeroFill, zero);
            if (!zero) {
                // The data went into the page that follows the tag in the chain.
                if (tags[i].next != PageTag::kEndOfChain) {
                    EXPECT_EQ(tags[i].src, tags[i].next + 16);
                }
                EXPECT_EQ(std::memcmp(memory().ram(tags[i].src, tags[i].size),
                                      counting(0x10000).data() + offset + (at - dst), tags[i].size),
                          0);
            }
            at += tags[i].size;
        }
        EXPECT_EQ(tags.back().next, PageTag::kEndOfChain);
    }
}

TEST_F(LoaderTest, MessagesOfALoadAndAZeroLink) {
    loader->initLinks();
    loader->addLoadLink(0xC0200000, 0x2000, 0x1000, 0x1234);  // two pages of data
    loader->finishLinks();
    EXPECT_EQ(console.utf8(),
              "\t->load 0xc0200000+0x00002000=0xc0202000 ofs=0x00001000+0x1234\n"
              "\t->zero 0xc0201234+0x00000dcc=0xc0202000\n"
              "load link 2, zero clear link 1\n");
}

TEST_F(LoaderTest, TenThousandBytesGoToThreeDestinations) {
    loader->initLinks();
    loader->addLoadLink(0xC0200000, 10000, 0, 10000);
    loader->finishLinks();
    std::vector<PageTag> tags = chain();
    ASSERT_EQ(tags.size(), 3u);
    EXPECT_EQ(tags[0].dst, 0xC0200000u);
    EXPECT_EQ(tags[1].dst, 0xC0200000u + 4080);
    EXPECT_EQ(tags[2].dst, 0xC0200000u + 8160);
    EXPECT_EQ(console.utf8().substr(console.utf8().rfind("load link")),
              "load link 3, zero clear link 0\n");
}

TEST_F(LoaderTest, SingleLinkChainIsTheFirstTagOfTheTagPageAlone) {
    for (bool zero : {false, true}) {
        SCOPED_TRACE(zero);
        loader->initLinks();
        uint32_t head = loader->listHead();
        loader->addLoadLink(0xC0200000, 64, 0, zero ? 0 : 64);
        loader->finishLinks();
        const PageTag& first = tagAt(head);
        EXPECT_EQ(head % kPage, 0u) << "the tag page's first slot";
        EXPECT_EQ(first.next, PageTag::kEndOfChain);
        EXPECT_EQ(first.dst, 0xC0200000u);
        EXPECT_EQ(first.size, 64u);
        if (!zero) {
            // Reached only through src: a data page of its own, past its tag.
            EXPECT_EQ(first.src % kPage, 16u);
            EXPECT_NE(first.src / kPage, head / kPage);
        } else {
            EXPECT_EQ(first.src, PageTag::kZeroFill);
        }
    }
}

TEST_F(LoaderTest, ZeroLinksTakeSpareSlotsOfTheTagPage) {
    loader->initLinks();
    uint32_t head = loader->listHead();
    loader->addLoadLink(0xC0200000, 0x100, 0, 0);
    loader->addLoadLink(0xC0300000, 0x100, 0, 0);
    loader->finishLinks();
    EXPECT_EQ(tagAt(head).next, head + 16);
    EXPECT_EQ(tagAt(head + 16).next, PageTag::kEndOfChain);
    EXPECT_EQ(tagAt(head + 16).dst, 0xC0300000u);
}

TEST_F(LoaderTest, TheTagPageHoldsTwoHundredFiftyFiveZeroLinks) {
    loader->initLinks();
    for (uint32_t i = 0; i < 255; ++i)
        loader->addLoadLink(0xC0200000 + 0x100 * i, 0x100, 0, 0);
    EXPECT_TRUE(loader->isOk());
    loader->addLoadLink(0xC0300000, 0x100, 0, 0);  // the page is full: nothing written past it
    EXPECT_FALSE(loader->isOk());
}

TEST_F(LoaderTest, ImageGoesToTheNextFourKilobyteBoundary) {
    struct Row {
        uint32_t kernelEnd, imageAt;
    } rows[] = {
        {0xC0234567, 0xC0235000},  // rounded up
        {0xC0235000, 0xC0235000},  // already on a boundary
    };
    file->add(u"image", counting(5000));
    for (const Row& r : rows) {
        file->open(u"kernel", FileManager::kOpenMode);
        loader->initLinks();
        loader->addLoadLink(0xC0200000, r.kernelEnd - 0xC0200000, 0, 16);
        file->open(u"image", FileManager::kOpenMode);
        console.text.clear();
        EXPECT_TRUE(loader->loadFileSystemImage(5000));
        loader->finishLinks();
        std::vector<PageTag> tags = chain();
        ASSERT_EQ(tags.size(), 4u);  // kernel data, kernel zero, image in two pages
        EXPECT_EQ(tags[2].dst, r.imageAt);
        EXPECT_EQ(tags[3].dst, r.imageAt + kPayload);
        EXPECT_EQ(tags[3].size, 5000 - kPayload);
        EXPECT_EQ(console.utf8().substr(0, 20), "[file system image]\n");
    }
}

TEST_F(LoaderTest, LinksFromMemoryAreCopiedIntoPages) {
    std::string block = counting(5000);
    loader->initLinks();
    loader->addLoadLinkFromMemory(0xC0210000, 5000, block.data());
    loader->finishLinks();
    std::vector<PageTag> tags = chain();
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].size, kPayload);
    EXPECT_EQ(tags[1].dst, 0xC0210000u + kPayload);
    EXPECT_EQ(std::memcmp(memory().ram(tags[1].src, 920), block.data() + kPayload, 920), 0);
    EXPECT_EQ(console.utf8().substr(0, 41), "\t->load 0xc0210000+0x00001388=0xc0211388\n");
}

TEST_F(LoaderTest, FileThatEndsEarlyFailsTheLoad) {
    loader->initLinks();
    loader->addLoadLink(0xC0200000, 0x2000, 0xF000, 0x2000);  // the file has 0x10000 bytes
    EXPECT_FALSE(loader->isOk());
    EXPECT_NE(console.utf8().find("read error at offset 0x"), std::string::npos);
}

// The image is read once, to the size measured when the boot began; its
// content must end exactly there.
TEST_F(LoaderTest, AnImageMustEndWhereItWasSized) {
    file->add(u"image", counting(5000));
    struct Row {
        uint32_t sized;
        bool loads;
        const char* line;  // printed (empty: nothing more than the load lines)
    } rows[] = {
        {5000, true, ""},
        {4999, false, "the image goes on past 0x1387 bytes, its size when the boot began.\n"},
        {5001, false, "read error at offset 0xff0 (0x398 of 0x399 bytes).\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.sized);
        file->open(u"kernel", FileManager::kOpenMode);
        loader->initLinks();
        loader->addLoadLink(0xC0200000, 0x1000, 0, 16);
        file->open(u"image", FileManager::kOpenMode);
        console.text.clear();
        EXPECT_EQ(loader->loadFileSystemImage(r.sized), r.loads);
        if (*r.line) {
            EXPECT_NE(console.utf8().find(r.line), std::string::npos) << console.utf8();
        }
    }
}

TEST_F(LoaderTest, AnImageWithoutAChainFails) {
    file->add(u"image", counting(100));
    file->open(u"image", FileManager::kOpenMode);
    EXPECT_FALSE(loader->loadFileSystemImage(100));
}

TEST_F(LoaderTest, FileFormatLooksAtTheMagic) {
    struct Row {
        std::string bytes;
        int format;
    } rows[] = {
        {std::string("\x7f"
                     "ELF\x01\x01\x01",
                     7) +
             std::string(45, 0),
         1},                                 // ELF header
        {"MZ\x90" + std::string(60, 0), 0},  // a PE file
        {"\x7f"
         "EL",
         0},      // too short
        {"", 0},  // empty file
    };
    for (const Row& r : rows) {
        file->add(u"probe", r.bytes);
        file->open(u"probe", FileManager::kOpenMode);
        EXPECT_EQ(fileFormat(file), r.format);
    }
}

class ShortOfPagesTest : public LoaderTest {
  protected:
    ShortOfPagesTest() : LoaderTest(4 * kPage) {}
};

TEST_F(ShortOfPagesTest, MissingPagesAreReportedOnce) {
    loader->initLinks();
    loader->addLoadLink(0xC0200000, 0x10000, 0, 0x10000);  // 17 pages wanted, 3 left
    EXPECT_FALSE(loader->isOk());
    std::string out = console.utf8();
    EXPECT_EQ(out.find("page insufficient.\n"), out.rfind("page insufficient.\n"));
    EXPECT_NE(out.find("page insufficient.\n"), std::string::npos);
}

TEST_F(ShortOfPagesTest, NoTagPageMeansNothingIsWritten) {
    uint32_t v = 0, p = 0;
    while (memoryManager->takeLastPage(v, p)) {
    }
    loader->initLinks();
    EXPECT_FALSE(loader->isOk());
    loader->addLoadLink(0xC0200000, 0x2000, 0, 0x100);  // neither data nor a zero link
    std::string image = counting(100);
    loader->addLoadLinkFromMemory(0xC0300000, 100, image.data());
    loader->finishLinks();
    EXPECT_EQ(loader->listHead(), 0u);
}

}  // namespace
