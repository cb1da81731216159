// The gzip layer against a backend of our own: what it asks of the backend,
// what it forwards, and how backend failures reach the reader.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "GzipTestSupport.h"
#include "file/gzip/GzipFileManager.h"

namespace {

using gzip_test::gzipOf;
using gzip_test::sampleContent;

using gzip_test::MemoryBackend;

class GzipBackendTest : public ::testing::Test {
  protected:
    MemoryBackend& make(const std::string& bytes) {
        backend = new MemoryBackend(slot, bytes, &destroyed);
        files = std::make_unique<GzipFileManager>(slot, backend);
        return *backend;
    }

    testing_support::CaptureConsole console;
    Console* slot = &console;
    bool destroyed = false;
    MemoryBackend* backend = nullptr;
    std::unique_ptr<GzipFileManager> files;
};

TEST_F(GzipBackendTest, ReadsCompressedInputInBlocksOf1024FromTheCurrentPosition) {
    const std::string content = sampleContent(60000, 20);
    make(gzipOf(content, "-n"));
    ASSERT_TRUE(files->open(u"k", FileManager::kOpenMode));
    std::string got(content.size(), '\0');
    EXPECT_EQ(files->read(got.data(), uint32_t(got.size()), 0), int32_t(content.size()));
    EXPECT_EQ(got, content);
    ASSERT_FALSE(backend->reads.empty());
    for (const MemoryBackend::Call& call : backend->reads) {
        EXPECT_EQ(call.count, 1024u);
        EXPECT_EQ(call.offset, FileManager::kCurrentPosition);
    }
}

TEST_F(GzipBackendTest, ForwardsRootSizeWriteAndClose) {
    const std::string file = gzipOf(sampleContent(5000, 21), "-n");
    make(file);
    EXPECT_TRUE(files->setRoot(u"\\dir\\"));
    EXPECT_EQ(backend->root, u"\\dir\\");
    ASSERT_TRUE(files->open(u"k", FileManager::kOpenMode));
    EXPECT_EQ(files->size(), file.size());
    EXPECT_EQ(files->write("abc", 3, 7), 3);
    ASSERT_EQ(backend->writes.size(), 1u);
    EXPECT_EQ(backend->writes[0].offset, 7u);
    EXPECT_EQ(files->close(), 1u);
    EXPECT_EQ(backend->closes, 1);
    files.reset();
    EXPECT_TRUE(destroyed);  // the layer owns its backend
}

TEST_F(GzipBackendTest, ABackendThatCannotOpenFailsTheOpen) {
    make("plain").openable = false;
    EXPECT_FALSE(files->open(u"k", FileManager::kOpenMode));
    char byte;
    EXPECT_EQ(files->read(&byte, 1, 0), -1);
}

// A plain file whose backend read fails: the read fails, not a short count.
TEST_F(GzipBackendTest, ABackendReadErrorFailsAPlainRead) {
    MemoryBackend& b = make("plain file");
    ASSERT_TRUE(files->open(u"k", FileManager::kOpenMode));
    b.failAt = 0;
    char bytes[100];
    EXPECT_EQ(files->read(bytes, sizeof bytes, FileManager::kCurrentPosition), -1);
}

// A compressed file whose backend fails part way: the reads deliver what
// was decoded, then fail. The failure is not taken for the end of the file,
// neither inside a member nor where a further member would begin.
TEST_F(GzipBackendTest, ABackendReadErrorFailsACompressedFile) {
    const std::string content = sampleContent(50000, 22);
    std::string first = gzipOf(content, "-n");
    // Padded in the extra field to end exactly where a 1024-byte block ends.
    size_t pad = (2048 - (first.size() + 2) % 1024) % 1024;
    first = gzip_test::withHeader(first, gzip_test::kFlagExtra, std::string(pad, 'p'), "", "");
    ASSERT_EQ(first.size() % 1024, 0u);
    struct Row {
        const char* what;
        size_t failAt;  // stored offset from which the backend fails
    };
    const Row rows[] = {
        {"inside the deflate data", first.size() / 2},
        {"inside the trailer", first.size() - 3},
        {"where the next member begins, on a block boundary", first.size()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MemoryBackend& b = make(first + first);
        b.failAt = row.failAt;
        ASSERT_TRUE(files->open(u"k", FileManager::kOpenMode));
        std::string got, part(3000, '\0');
        int32_t n;
        while ((n = files->read(part.data(), 3000, FileManager::kCurrentPosition)) > 0)
            got += part.substr(0, size_t(n));
        EXPECT_EQ(n, -1);
        EXPECT_EQ(got, (content + content).substr(0, got.size()));
    }
}

}  // namespace
