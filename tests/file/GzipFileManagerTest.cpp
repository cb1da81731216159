// The gzip layer over local files: real gzip(1) output decodes byte for
// byte, plain files pass unchanged, and damaged files end the way readers
// rely on.
#include <gtest/gtest.h>

#include "GzipTestSupport.h"
#include "file/gzip/GzipFileManager.h"

namespace {

using gzip_test::Files;
using gzip_test::gzipOf;
using gzip_test::sampleContent;
using gzip_test::withHeader;
namespace flag = gzip_test;

std::string part(const std::string& s, size_t from, size_t count) {
    return from < s.size() ? s.substr(from, count) : "";
}

struct GzipCase {
    const char* what;
    const char* options;
};

const GzipCase kGzipCases[] = {
    {"fastest, no stored name", "-1 -n"},
    {"default level, no stored name", "-6 -n"},
    {"best, no stored name", "-9 -n"},
    {"default level with the name and time stored", "-6 -N"},
    {"best with the name stored", "-9 -N"},
};

TEST(GzipFileManagerTest, DecodesGzipOutputAtEveryLevelByteForByte) {
    const std::string content = sampleContent(150000, 1);
    for (const GzipCase& c : kGzipCases) {
        SCOPED_TRACE(c.what);
        Files f;
        ASSERT_TRUE(f.put("k.gz", gzipOf(content, c.options)));
        int32_t last = 99;
        EXPECT_EQ(f.readAll(4000, &last), content);
        EXPECT_EQ(last, 0);
        EXPECT_EQ(f.read(10, FileManager::kCurrentPosition), "");  // still at the end
        EXPECT_TRUE(f.files->close());
    }
}

// Reads of many sizes, across buffer refills and member ends, all agree.
TEST(GzipFileManagerTest, ReadSizeDoesNotChangeTheContent) {
    const std::string content = sampleContent(40000, 2);
    const std::string file = gzipOf(content, "-6 -n");
    for (uint32_t chunk : {1u, 7u, 256u, 1024u, 1025u, 65536u}) {
        SCOPED_TRACE(chunk);
        Files f;
        ASSERT_TRUE(f.put("k.gz", file));
        EXPECT_EQ(f.readAll(chunk), content);
    }
}

struct LayoutCase {
    const char* what;
    std::string file;
    std::string content;
};

std::vector<LayoutCase> layoutCases() {
    const std::string a = sampleContent(30000, 3), b = sampleContent(20000, 4);
    const std::string gzA = gzipOf(a, "-n"), gzB = gzipOf(b, "-9 -n");
    const std::string allFields =
        withHeader(gzA,
                   flag::kFlagText | flag::kFlagHeaderCrc | flag::kFlagExtra | flag::kFlagName |
                       flag::kFlagComment,
                   std::string("AP\x04\x00"
                               "abcd",
                               8),
                   "keldos", "a comment");
    return {
        {"extra field, name, comment and header CRC all present", allFields, a},
        {"two members back to back read as one content", gzA + gzB, a + b},
        {"a member with every field followed by a plain one", allFields + gzB, a + b},
        {"plain data after the last member is delivered after the content",
         gzA + "trailing plain data\n", a + "trailing plain data\n"},
        {"trailing data that starts like the magic but is not",
         gzA + std::string("\x1f"
                           "xyz"),
         a + std::string("\x1f"
                         "xyz")},
        {"a lone 0x1F after the last member", gzA + "\x1f", a + "\x1f"},
        {"an empty file", "", ""},
        {"gzip output of empty content", gzipOf("", "-n"), ""},
        {"a plain file whose first byte is 0x1F", std::string("\x1f\x9dplain"),
         std::string("\x1f\x9dplain")},
        {"a one-byte plain file 0x1F", "\x1f", "\x1f"},
        {"a plain ELF file",
         std::string("\x7f"
                     "ELF\x01\x01\x01") +
             a,
         std::string("\x7f"
                     "ELF\x01\x01\x01") +
             a},
    };
}

TEST(GzipFileManagerTest, DecodesEveryLayoutOfMembersAndPlainData) {
    for (const LayoutCase& c : layoutCases()) {
        SCOPED_TRACE(c.what);
        Files f;
        ASSERT_TRUE(f.put("k", c.file));
        int32_t last = 99;
        EXPECT_EQ(f.readAll(3000, &last), c.content);
        EXPECT_EQ(last, 0);
        EXPECT_EQ(f.read(10, FileManager::kCurrentPosition), "");
    }
}

// The two bytes examined after a member's trailer may lie on both sides of
// a 1024-byte refill of the input. The extra field pads the first member so
// that it ends at the wanted place.
TEST(GzipFileManagerTest, MemberEndsOnEitherSideOfAnInputRefill) {
    const std::string a = sampleContent(5000, 5), b = sampleContent(3000, 6);
    const std::string gzA = gzipOf(a, "-n"), gzB = gzipOf(b, "-n");
    struct Row {
        const char* what;
        size_t endsAt;  // offset of the first byte after the first member, modulo 1024
        std::string after;
        std::string content;
    };
    const Row rows[] = {
        {"both plain bytes given back across the refill", 1023, "\x1fZ plain", "\x1fZ plain"},
        {"second member's magic across the refill", 1023, gzB, b},
        {"plain data starting right at the refill", 0, "\x1fZ plain", "\x1fZ plain"},
        {"plain data one byte after the refill", 1, "\x1fZ plain", "\x1fZ plain"},
        {"a lone 0x1F as the last byte of a block", 1023, "\x1f", "\x1f"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::string first = withHeader(gzA, flag::kFlagExtra, "", "", "");
        size_t pad = (row.endsAt + 2048 - first.size() % 1024) % 1024;
        first = withHeader(gzA, flag::kFlagExtra, std::string(pad, 'p'), "", "");
        ASSERT_EQ(first.size() % 1024, row.endsAt);
        for (uint32_t chunk : {100u, 100000u}) {
            Files f;
            ASSERT_TRUE(f.put("k", first + row.after));
            EXPECT_EQ(f.readAll(chunk), a + row.content);
        }
    }
}

// A compressed file that ends inside a member is damaged, not shorter: what
// could be decoded is delivered, then the reads fail, and the file has no
// size (a truncated kernel or image is never taken for a whole one).
TEST(GzipFileManagerTest, ACutShortFileFailsAfterWhatCouldBeDecoded) {
    const std::string content = sampleContent(100000, 7);
    const std::string file = gzipOf(content, "-n");
    for (size_t keep : {file.size() / 2, file.size() - 8, file.size() - 3, size_t(20)}) {
        SCOPED_TRACE(keep);
        Files f;
        ASSERT_TRUE(f.put("k.gz", file.substr(0, keep)));
        int32_t last = 99;
        std::string got = f.readAll(4096, &last);
        EXPECT_EQ(got, content.substr(0, got.size()));
        EXPECT_EQ(last, -1);
        if (keep > 1000) {
            EXPECT_GT(got.size(), keep);
        }
        if (keep >= file.size() - 8) {
            EXPECT_EQ(got, content);  // only the trailer is missing
        }
        EXPECT_EQ(f.files->realSize(), 0xFFFFFFFFu);
    }
}

// A damaged trailer: the read that reaches it still returns its bytes, every
// later read returns -1.
TEST(GzipFileManagerTest, AWrongCrcOrLengthFailsTheReadsAfterTheMember) {
    const std::string content = sampleContent(10000, 8);
    const std::string file = gzipOf(content, "-n");
    struct Row {
        const char* what;
        size_t offsetFromEnd;  // the trailer byte changed
    };
    for (Row row : {Row{"CRC", 8}, Row{"length", 4}, Row{"length's top byte", 1}}) {
        SCOPED_TRACE(row.what);
        std::string bad = file;
        bad[bad.size() - row.offsetFromEnd] ^= 0x40;
        Files f;
        ASSERT_TRUE(f.put("k.gz", bad));
        int32_t n = 0;
        EXPECT_EQ(f.read(100000, 0, &n), content);
        EXPECT_EQ(n, int32_t(content.size()));
        EXPECT_EQ(f.read(10, FileManager::kCurrentPosition, &n), "");
        EXPECT_EQ(n, -1);
        EXPECT_EQ(f.files->realSize(), 0xFFFFFFFFu);
    }
}

TEST(GzipFileManagerTest, ABadHeaderOpensButEveryReadFails) {
    const std::string file = gzipOf(sampleContent(1000, 9), "-n");
    struct Row {
        const char* what;
        std::string bytes;
    };
    std::string method = file, reserved = file;
    method[2] = 7;
    reserved[3] = char(0x20);
    const Row rows[] = {
        {"compression method 7", method},
        {"a reserved flag bit", reserved},
        {"a header cut short", file.substr(0, 6)},
        {"a name field that never ends",
         withHeader(file, flag::kFlagName, "", "k", "").substr(0, 11)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Files f;
        ASSERT_TRUE(f.put("k.gz", row.bytes));
        int32_t n = 0;
        f.read(10, 0, &n);
        EXPECT_EQ(n, -1);
        f.read(10, FileManager::kCurrentPosition, &n);
        EXPECT_EQ(n, -1);
    }
}

TEST(GzipFileManagerTest, AMissingFileDoesNotOpen) {
    Files f;
    EXPECT_FALSE(f.files->open(u"missing.gz", FileManager::kOpenMode));
    EXPECT_NE(f.console.utf8().find("can't open \"\\Storage Card\\missing.gz\". cause = 2\n"),
              std::string::npos);
}

TEST(GzipFileManagerTest, SizeIsStoredSizeAndRealSizeTheContentSize) {
    const std::string a = sampleContent(70000, 10), b = sampleContent(5000, 11);
    const std::string gzA = gzipOf(a, "-n");
    struct Row {
        const char* what;
        std::string file;
        std::string content;
    };
    const Row rows[] = {
        {"one member", gzA, a},
        {"two members: the whole content, not the last member's", gzA + gzipOf(b, "-n"), a + b},
        {"plain data after the member counts", gzA + "tail", a + "tail"},
        {"a lone 0x1F after the member counts as reading gives it", gzA + "\x1f", a + "\x1f"},
        {"a plain file", b, b},
        {"an empty file", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Files f;
        ASSERT_TRUE(f.put("k", row.file));
        EXPECT_EQ(f.files->size(), row.file.size());
        EXPECT_EQ(f.files->realSize(), row.content.size());
        // The position is still at the start.
        EXPECT_EQ(f.read(100, FileManager::kCurrentPosition), part(row.content, 0, 100));
        EXPECT_EQ(f.files->realSize(), row.content.size());  // asked again mid-file
        EXPECT_EQ(f.read(100, FileManager::kCurrentPosition), part(row.content, 100, 100));
    }
}

// A seeded random mix of reads at offsets, seeks and reads that continue,
// checked against the uncompressed content.
TEST(GzipFileManagerTest, RandomAccessReturnsTheRightBytesInAnyOrder) {
    const std::string a = sampleContent(120000, 12), b = sampleContent(30000, 13);
    struct Row {
        const char* what;
        std::string file;
        std::string content;
    };
    const Row rows[] = {
        {"one member", gzipOf(a, "-6 -n"), a},
        {"two members and plain data", gzipOf(a, "-1 -n") + gzipOf(b, "-9 -N") + "tail!",
         a + b + "tail!"},
        {"a plain file", a, a},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Files f;
        ASSERT_TRUE(f.put("k", row.file));
        std::mt19937 rng(42);
        size_t position = 0;
        const size_t size = row.content.size();
        for (int step = 0; step < 150; ++step) {
            uint32_t count = rng() % 5000;
            std::string got;
            switch (rng() % 3) {
                case 0:  // a read at an offset, as the loaders make them
                    position = rng() % (size + 100);
                    got = f.read(count, uint32_t(position));
                    break;
                case 1:  // a seek, then a read from there
                    position = rng() % size;
                    ASSERT_TRUE(f.files->seek(uint32_t(position)));
                    got = f.read(count, FileManager::kCurrentPosition);
                    break;
                default:  // a read that continues
                    got = f.read(count, FileManager::kCurrentPosition);
                    break;
            }
            std::string want = position < size ? row.content.substr(position, count) : "";
            ASSERT_EQ(got, want) << "step " << step << " at " << position << " count " << count;
            position = std::min(size, position + count);
        }
    }
}

TEST(GzipFileManagerTest, SeekingPastTheEndFails) {
    const std::string content = sampleContent(5000, 14);
    Files f;
    ASSERT_TRUE(f.put("k.gz", gzipOf(content, "-n")));
    EXPECT_TRUE(f.files->seek(5000));
    EXPECT_FALSE(f.files->seek(5001));
    EXPECT_TRUE(f.files->seek(10));
    EXPECT_EQ(f.read(5, FileManager::kCurrentPosition), content.substr(10, 5));
}

// The decoder is one record for the whole system: the file manager that
// opened last has it, an earlier one fails its reads instead of decoding
// with another file's state, and destroying either leaves the other sound.
TEST(GzipFileManagerTest, TwoFileManagersShareOneDecoderSafely) {
    const std::string a = sampleContent(20000, 15), b = sampleContent(20000, 16);
    Files first;
    ASSERT_TRUE(first.put("a.gz", gzipOf(a, "-n")));
    EXPECT_EQ(first.read(100, 0), a.substr(0, 100));
    {
        std::unique_ptr<FileManager> second(FileManager::create(first.slot, FileManager::kLocal));
        ASSERT_TRUE(second->setRoot(u"\\Storage Card\\"));
        first.device.writeFile("Storage Card/b.gz", gzipOf(b, "-n"));
        ASSERT_TRUE(second->open(u"b.gz", FileManager::kOpenMode));
        int32_t n = 0;
        first.read(100, FileManager::kCurrentPosition, &n);
        EXPECT_EQ(n, -1);
        std::string got(100, '\0');
        EXPECT_EQ(second->read(got.data(), 100, 0), 100);
        EXPECT_EQ(got, b.substr(0, 100));
    }
    // Opening again takes the decoder back.
    ASSERT_TRUE(first.files->open(u"a.gz", FileManager::kOpenMode));
    EXPECT_EQ(first.readAll(7000), a);
}

TEST(GzipFileManagerTest, ReadsAfterCloseFailAndReopeningStartsOver) {
    const std::string content = sampleContent(3000, 17);
    Files f;
    ASSERT_TRUE(f.put("k.gz", gzipOf(content, "-n")));
    EXPECT_EQ(f.read(10, 0), content.substr(0, 10));
    EXPECT_TRUE(f.files->close());
    int32_t n = 0;
    f.read(10, FileManager::kCurrentPosition, &n);
    EXPECT_EQ(n, -1);
    ASSERT_TRUE(f.files->open(u"k.gz", FileManager::kOpenMode));
    EXPECT_EQ(f.readAll(1000), content);
}

}  // namespace
