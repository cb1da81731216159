// The reference walk of a PageTag chain over a private copy of RAM.
#include <gtest/gtest.h>

#include <cstring>

#include "machine/ChainWalker.h"
#include "machine/PhysicalImage.h"

namespace {

using host::ChainWalker;
using host::PhysicalImage;

constexpr uint32_t kTags = 0xC8000000;  // where the test puts its tags
constexpr uint32_t kData = 0xC8001000;  // and its source words
constexpr uint32_t kNone = 0xFFFFFFFF;

class ChainWalkerTest : public ::testing::Test {
  protected:
    ChainWalkerTest()
        : image({{0xA0000000, std::vector<uint8_t>(0x100000, 0xEE)},
                 {0xC0000000, std::vector<uint8_t>(0x01000000, 0xEE)},
                 {0xC8000000, std::vector<uint8_t>(0x10000, 0)}}) {
        for (uint32_t i = 0; i < 64; ++i)
            image.write32(kData + 4 * i, 0x11111111 * (i % 15 + 1));
    }
    void tag(int slot, uint32_t next, uint32_t src, uint32_t dst, uint32_t size) {
        uint32_t at = kTags + 16 * slot;
        image.write32(at, next);
        image.write32(at + 4, src);
        image.write32(at + 8, dst);
        image.write32(at + 12, size);
    }
    uint32_t word(uint32_t address) {
        uint32_t w = 0;
        image.read32(address, w);
        return w;
    }
    PhysicalImage image;
};

TEST_F(ChainWalkerTest, ZeroFillSetsTheStackTwoPagesOnRoundedDown) {
    tag(0, kNone, kNone, 0xC0400000, 0x1000);
    ChainWalker::Result r = ChainWalker(false).walk(image, kTags);
    EXPECT_TRUE(r.ended);
    EXPECT_EQ(r.links, 1u);
    EXPECT_EQ(r.stackPointer, 0xC0403000u);
    EXPECT_EQ(word(0xC0400FFC), 0u);
    EXPECT_EQ(word(0xC0401000), 0xEEEEEEEEu) << "nothing past the end";
}

TEST_F(ChainWalkerTest, CopiesWorkInWholeWords) {
    struct Row {
        uint32_t size;
        uint32_t wordsStored;
    } rows[] = {
        {10, 3},  // ten bytes: three words (12 bytes)
        {4, 1},   // one word stored, though two are read
        {8, 2},   // both words of one step
        {12, 3},  // the second step stores only its first word
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.size);
        std::memset(image.at(0xC0200000, 64), 0xEE, 64);
        tag(0, kNone, kData, 0xC0200000, r.size);
        ChainWalker(false).walk(image, kTags);
        for (uint32_t i = 0; i < 5; ++i) {
            EXPECT_EQ(word(0xC0200000 + 4 * i),
                      i < r.wordsStored ? word(kData + 4 * i) : 0xEEEEEEEE)
                << "word " << i;
        }
    }
}

TEST_F(ChainWalkerTest, FollowsNextUntilTheEnd) {
    tag(0, kTags + 16, kData, 0xC0200000, 8);
    tag(1, kTags + 32, kNone, 0xC0200008, 8);
    tag(2, kNone, kData + 8, 0xC0200010, 4);
    ChainWalker::Result r = ChainWalker(false).walk(image, kTags);
    EXPECT_EQ(r.links, 3u);
    EXPECT_EQ(word(0xC0200000), word(kData));
    EXPECT_EQ(word(0xC0200008), 0u);
    EXPECT_EQ(word(0xC0200010), word(kData + 8));
    EXPECT_EQ(r.lastEnd, 0xC0200014u);
}

TEST_F(ChainWalkerTest, PxaRewritesDestinationsIntoSdram) {
    tag(0, kNone, kData, 0xC0000100, 4);
    ChainWalker::Result r = ChainWalker(true).walk(image, kTags);
    EXPECT_TRUE(r.faults.empty());
    EXPECT_EQ(word(0xA0000100), word(kData));
    EXPECT_EQ(word(0xC0000100), 0xEEEEEEEEu);
}

TEST_F(ChainWalkerTest, FaultsAndLoopsAreReported) {
    tag(0, kNone, kData, 0x80050000, 4);  // a device address, not RAM
    EXPECT_EQ(ChainWalker(false).walk(image, kTags).faults.size(), 1u);
    tag(0, kTags, kNone, 0xC0200000, 4);  // a tag that points at itself
    ChainWalker::Result r = ChainWalker(false).walk(image, kTags);
    EXPECT_FALSE(r.ended);
    EXPECT_EQ(r.links, ChainWalker::kMaxLinks);
}

}  // namespace
