// The gzip layer keeps its verdict on a damaged file: whichever pass finds
// the damage, and from wherever a later pass starts, every read, seek and
// realSize of that open file fails, with one line naming the fault.
#include <gtest/gtest.h>
#include <zlib.h>

#include "GzipTestSupport.h"
#include "file/gzip/GzipFileManager.h"

namespace {

using gzip_test::Files;
using gzip_test::gzipOf;
using gzip_test::MemoryBackend;
using gzip_test::sampleContent;
using Fault = GzipFileManager::Fault;

// Raw deflate data of `content`, ended on a byte boundary (sync flush) and
// not final, so that more blocks can follow.
std::string rawDeflateOpen(const std::string& content) {
    z_stream s{};
    EXPECT_EQ(deflateInit2(&s, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(content.size() + 1024, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    s.avail_in = uInt(content.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&s, Z_SYNC_FLUSH), Z_OK);
    out.resize(out.size() - s.avail_out);
    deflateEnd(&s);
    return out;
}

// A member whose deflate data turns invalid after `good` decodes: a final
// block of the reserved type 3 follows.
std::string memberWithBadBlockAfter(const std::string& good) {
    std::string member("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
    member += rawDeflateOpen(good);
    member += '\x07';                // BFINAL 1, BTYPE 11
    member += std::string(8, '\0');  // a trailer never reached
    return member;
}

std::string flipped(std::string bytes, size_t offset) {
    bytes[offset] ^= 0x10;
    return bytes;
}

struct DamageCase {
    const char* what;
    std::string file;
    Fault fault;
    const char* line;
};

std::vector<DamageCase> damageCases() {
    const std::string content = sampleContent(300000, 30);
    const std::string good = gzipOf(content, "-6 -n");
    const std::string second = gzipOf(sampleContent(20000, 31), "-n");
    return {
        {"a wrong CRC", flipped(good, good.size() - 8), Fault::kCrc, "gzip: CRC-32 mismatch"},
        {"a wrong length", flipped(good, good.size() - 2), Fault::kLength, "gzip: length mismatch"},
        {"a wrong CRC in the first of two members", flipped(good, good.size() - 7) + second,
         Fault::kCrc, "gzip: CRC-32 mismatch"},
        {"invalid deflate data half way", memberWithBadBlockAfter(content.substr(0, 150000)),
         Fault::kData, "gzip: invalid compressed data"},
        {"cut short inside the deflate data", good.substr(0, good.size() / 2), Fault::kCutShort,
         "gzip: compressed data cut short"},
        {"cut short inside the trailer", good.substr(0, good.size() - 3), Fault::kCutShort,
         "gzip: compressed data cut short"},
    };
}

GzipFileManager& gzipOfFiles(Files& f) {
    return *static_cast<GzipFileManager*>(f.files.get());
}

// The first pass reads the whole file; a backward seek then starts again
// from the start (or a checkpoint) and must not forget what the first pass
// found.
TEST(GzipVerdictTest, ADamagedFileStaysFailedAfterASeekBack) {
    for (const DamageCase& c : damageCases()) {
        SCOPED_TRACE(c.what);
        Files f;
        ASSERT_TRUE(f.put("k.gz", c.file));
        int32_t last = 99;
        f.readAll(4096, &last);
        EXPECT_EQ(last, -1);
        EXPECT_EQ(gzipOfFiles(f).fault(), c.fault);
        EXPECT_FALSE(f.files->seek(0));
        int32_t n = 0;
        f.read(100, 0, &n);
        EXPECT_EQ(n, -1);
        f.read(100, FileManager::kCurrentPosition, &n);
        EXPECT_EQ(n, -1);
        EXPECT_EQ(f.files->realSize(), 0xFFFFFFFFu);
        // One line, printed once however often the fault is met.
        std::string out = f.console.utf8();
        size_t at = out.find(c.line);
        EXPECT_NE(at, std::string::npos) << out;
        EXPECT_EQ(out.find("gzip:", at + 1), std::string::npos) << out;
        // A new open starts without a verdict.
        ASSERT_TRUE(f.files->open(u"k.gz", FileManager::kOpenMode));
        EXPECT_EQ(gzipOfFiles(f).fault(), Fault::kNone);
    }
}

// realSize decodes to the end first, as the loader's size question does; the
// reads at the start that follow fail instead of delivering the content.
TEST(GzipVerdictTest, RealSizeFindsTheDamageAndTheReadsAfterItFail) {
    for (const DamageCase& c : damageCases()) {
        SCOPED_TRACE(c.what);
        Files f;
        ASSERT_TRUE(f.put("k.gz", c.file));
        EXPECT_EQ(f.files->realSize(), 0xFFFFFFFFu);
        int32_t n = 0;
        f.read(4080, 0, &n);
        EXPECT_EQ(n, -1);
        f.read(4080, 4080, &n);
        EXPECT_EQ(n, -1);
    }
}

// A deflate data error is -1 on the read that meets it: a reader never
// sees a short count or the end of the file first.
TEST(GzipVerdictTest, ADataErrorFailsTheReadThatMeetsIt) {
    const std::string content = sampleContent(100000, 32);
    for (uint32_t chunk : {1000u, 65536u, 1000000u}) {
        SCOPED_TRACE(chunk);
        Files f;
        ASSERT_TRUE(f.put("k.gz", memberWithBadBlockAfter(content)));
        std::string got;
        int32_t n = 0;
        for (;;) {
            got += f.read(chunk, FileManager::kCurrentPosition, &n);
            if (n <= 0 || uint32_t(n) < chunk)
                break;
        }
        // Every read returned its full count until one failed.
        EXPECT_EQ(n, -1);
        EXPECT_EQ(got, content.substr(0, got.size()));
        EXPECT_LE(got.size(), content.size());
    }
}

// A backend that fails during a seek fails the seek, and a read at an
// offset does not go on from wherever decoding stopped.
TEST(GzipVerdictTest, ABackendFailureDuringASeekFailsTheSeekAndTheRead) {
    const std::string content = sampleContent(200000, 33);
    const std::string file = gzipOf(content, "-n");
    testing_support::CaptureConsole console;
    Console* slot = &console;
    auto* backend = new MemoryBackend(slot, file);
    GzipFileManager files(slot, backend);
    ASSERT_TRUE(files.open(u"k", FileManager::kOpenMode));
    backend->failAt = file.size() / 2;
    EXPECT_FALSE(files.seek(150000));
    char bytes[100];
    EXPECT_EQ(files.read(bytes, sizeof bytes, FileManager::kCurrentPosition), -1);
    EXPECT_EQ(files.read(bytes, sizeof bytes, 190000), -1);
    EXPECT_EQ(files.read(bytes, sizeof bytes, 0), -1);
    EXPECT_EQ(files.fault(), Fault::kBackend);
    EXPECT_NE(console.utf8().find("gzip: the stored file could not be read"), std::string::npos);
}

// Plain data after the last member is sized from the stored size: a huge
// sparse tail costs no reading, and one past 4 GiB gives up at once.
TEST(GzipVerdictTest, AHugePlainTailIsSizedWithoutReadingIt) {
    const std::string content = sampleContent(5000, 34);
    const std::string member = gzipOf(content, "-n");
    struct Row {
        const char* what;
        uint64_t stored;
        uint32_t realSize;
    };
    const Row rows[] = {
        {"a 3 GiB file", 3ull << 30, uint32_t((3ull << 30) - member.size() + content.size())},
        {"a 4 GiB file: its size does not fit", 4ull << 30, 0xFFFFFFFFu},
        {"just under 4 GiB: the content would pass 4 GiB", 0xFFFFFFF0ull, 0xFFFFFFFFu},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testing_support::CaptureConsole console;
        Console* slot = &console;
        auto* backend = new MemoryBackend(slot, member);
        backend->claimedSize = row.stored;
        GzipFileManager files(slot, backend);
        ASSERT_TRUE(files.open(u"k", FileManager::kOpenMode));
        EXPECT_EQ(files.realSize(), row.realSize);
        EXPECT_LT(backend->bytesRead, 1u << 20);
        char bytes[16] = {1};
        if (row.realSize != 0xFFFFFFFFu) {
            EXPECT_EQ(files.read(bytes, 16, row.realSize - 16), 16);
            EXPECT_EQ(bytes[0], 0);
            EXPECT_EQ(files.read(bytes, 16, FileManager::kCurrentPosition), 0);
        }
        EXPECT_EQ(files.read(bytes, 16, 10), 16);
        EXPECT_EQ(std::string(bytes, 16), content.substr(10, 16));
    }
}

}  // namespace
