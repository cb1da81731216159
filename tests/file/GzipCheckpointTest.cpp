// Decoder checkpoints: a backward (or far forward) seek resumes from the
// nearest checkpoint, delivers the same bytes as decoding from the start,
// keeps checking CRC and length, and the checkpoints stay within 1/16 of
// the content.
#include <gtest/gtest.h>

#include <random>

#include "GzipTestSupport.h"
#include "file/gzip/GzipFileManager.h"

namespace {

using gzip_test::Files;
using gzip_test::gzipOf;
using gzip_test::sampleContent;
using Fault = GzipFileManager::Fault;

GzipFileManager& gzipOfFiles(Files& f) {
    return *static_cast<GzipFileManager*>(f.files.get());
}

struct BigCase {
    const char* what;
    std::string file;
    std::string content;
};

const std::vector<BigCase>& bigCases() {
    static const std::vector<BigCase> cases = [] {
        const std::string a = sampleContent(3 << 20, 40), b = sampleContent(1 << 20, 41);
        return std::vector<BigCase>{
            {"one member, fastest", gzipOf(a, "-1 -n"), a},
            {"one member, best", gzipOf(a, "-9 -n"), a},
            {"two members and plain data", gzipOf(a, "-6 -n") + gzipOf(b, "-1 -N") + "tail",
             a + b + "tail"},
        };
    }();
    return cases;
}

// The loader's order: the end, the start, the end again, segments from the
// start, symbols near the end; and a seeded random mix after it.
TEST(GzipCheckpointTest, SeeksFromCheckpointsDeliverTheContent) {
    for (const BigCase& c : bigCases()) {
        SCOPED_TRACE(c.what);
        Files f;
        ASSERT_TRUE(f.put("k", c.file));
        const uint32_t size = uint32_t(c.content.size());
        EXPECT_EQ(f.read(52, 0), c.content.substr(0, 52));
        EXPECT_EQ(f.read(2000, size - 3000), c.content.substr(size - 3000, 2000));
        EXPECT_EQ(f.read(200, 52), c.content.substr(52, 200));
        EXPECT_EQ(f.files->realSize(), size);
        EXPECT_EQ(f.read(100, size - 1000), c.content.substr(size - 1000, 100));
        EXPECT_GT(gzipOfFiles(f).checkpoints().size(), 0u);
        std::mt19937 rng(5);
        for (int step = 0; step < 40; ++step) {
            uint32_t at = rng() % size, count = rng() % 70000;
            ASSERT_EQ(f.read(count, at), c.content.substr(at, count)) << at << " " << count;
        }
        // A pass from the middle to the end checks the trailers with what the
        // checkpoint kept.
        ASSERT_TRUE(f.files->seek(size / 2 + 12345));
        int32_t last = 99;
        EXPECT_EQ(f.readAll(100000, &last), c.content.substr(size / 2 + 12345));
        EXPECT_EQ(last, 0);
        EXPECT_EQ(gzipOfFiles(f).fault(), Fault::kNone);
    }
}

// After one pass to the end, going back costs at most the distance from a
// checkpoint, never a decode from the start.
TEST(GzipCheckpointTest, ASeekBackDecodesFromTheNearestCheckpoint) {
    const BigCase& c = bigCases()[0];
    Files f;
    ASSERT_TRUE(f.put("k", c.file));
    GzipFileManager& g = gzipOfFiles(f);
    const uint32_t size = uint32_t(c.content.size());
    ASSERT_EQ(f.files->realSize(), size);
    uint64_t afterSizing = g.bytesInflated();
    EXPECT_GE(afterSizing, size);
    EXPECT_LE(afterSizing, size + 64 * 1024u);
    uint64_t before = g.bytesInflated();
    EXPECT_EQ(f.read(100, size - 200), c.content.substr(size - 200, 100));
    EXPECT_EQ(f.read(100, size / 2), c.content.substr(size / 2, 100));
    EXPECT_EQ(f.read(100, 1000), c.content.substr(1000, 100));
    // Three seeks, each within one spacing of a checkpoint (or of the start).
    uint64_t spacing = GzipCheckpoints::kLeastSpacing + 64 * 1024;
    EXPECT_LE(g.bytesInflated() - before, 3 * spacing);
    // realSize asked again costs nothing.
    before = g.bytesInflated();
    EXPECT_EQ(f.files->realSize(), size);
    EXPECT_EQ(g.bytesInflated() - before, 0u);
}

// The memory bound: at most 1/16 of the content, however large the file.
TEST(GzipCheckpointTest, CheckpointMemoryStaysWithinASixteenthOfTheContent) {
    for (const BigCase& c : bigCases()) {
        SCOPED_TRACE(c.what);
        Files f;
        ASSERT_TRUE(f.put("k", c.file));
        ASSERT_EQ(f.files->realSize(), c.content.size());
        const GzipCheckpoints& points = gzipOfFiles(f).checkpoints();
        EXPECT_GT(points.size(), 0u);
        EXPECT_LE(uint64_t(points.memoryBytes()) * 16, c.content.size());
    }
}

// The list never grows past its count: when full, every second checkpoint
// goes and the spacing doubles.
TEST(GzipCheckpointTest, AFullListIsThinned) {
    GzipCheckpoints points;
    points.reset(0);
    std::vector<uint8_t> window(GzipCheckpoints::kWindowBytes, 7);
    uint32_t position = 0, added = 0;
    for (int i = 0; i < 10000 && added < 3 * GzipCheckpoints::kMaxCount; ++i) {
        position += GzipCheckpoints::kLeastSpacing / 2;
        if (!points.due(position))
            continue;
        GzipCheckpoint point;
        point.position = position;
        point.windowBytes = GzipCheckpoints::kWindowBytes;
        ASSERT_TRUE(points.add(std::move(point), window.data(), 0));
        ++added;
        ASSERT_LE(points.size(), GzipCheckpoints::kMaxCount);
        ASSERT_LE(uint64_t(points.memoryBytes()) * 16, position);
    }
    EXPECT_EQ(added, 3 * GzipCheckpoints::kMaxCount);
    // Ordered, and `before` finds the nearest one at or before a position.
    const GzipCheckpoint* last = points.last();
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(points.before(last->position), last);
    EXPECT_EQ(points.before(0), nullptr);
    const GzipCheckpoint* middle = points.before(last->position / 2);
    ASSERT_NE(middle, nullptr);
    EXPECT_LE(middle->position, last->position / 2);
}

// A damaged file with checkpoints: a later pass that resumes from one still
// meets the bad trailer, and the verdict then holds for every position.
TEST(GzipCheckpointTest, ADamagedTrailerIsFoundFromACheckpoint) {
    const BigCase& c = bigCases()[0];
    std::string bad = c.file;
    bad[bad.size() - 8] ^= 1;
    Files f;
    ASSERT_TRUE(f.put("k", bad));
    const uint32_t size = uint32_t(c.content.size());
    // A first pass near the end records checkpoints but stops before the trailer.
    EXPECT_EQ(f.read(100, size - 5000), c.content.substr(size - 5000, 100));
    EXPECT_EQ(f.read(100, 0), c.content.substr(0, 100));
    int32_t n = 0;
    f.read(10000, size - 9000, &n);  // resumes from a checkpoint, reaches the trailer
    EXPECT_EQ(n, 9000);
    f.read(100, 0, &n);
    EXPECT_EQ(n, -1);
    EXPECT_EQ(gzipOfFiles(f).fault(), Fault::kCrc);
}

}  // namespace
