// The parser of an HTTP answer's head, on its own: bytes in, verdict out.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "file/http/HttpHead.h"

namespace {

struct Row {
    std::string bytes;
    uint32_t limit;
    HttpHead::Verdict verdict;
    uint32_t headerBytes;  // complete heads
    uint32_t status;
    bool hasLength;
    uint32_t length;
    const char* why;
};

const std::string kOk = "HTTP/1.0 200 OK\r\n";

TEST(HttpHeadTest, Verdicts) {
    const Row rows[] = {
        {kOk + "\r\n", 4096, HttpHead::kComplete, 19, 200, false, 0, "status line alone"},
        {kOk + "Content-Length: 12\r\n\r\nbody", 4096, HttpHead::kComplete, 39, 200, true, 12,
         "a length; the body is not the head's"},
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", 4096, HttpHead::kComplete, 45, 404,
         true, 0, "a length of 0"},
        {"HTTP/1.0 301\r\n\r\n", 4096, HttpHead::kComplete, 16, 301, false, 0, "no reason"},
        {"HTTP/1.0 200 OK\nContent-Length: 7\n\n", 4096, HttpHead::kComplete, 35, 200, true, 7,
         "LF alone"},
        {kOk + "Content-Length: 7\n\r\n", 4096, HttpHead::kComplete, 37, 200, true, 7,
         "LF, then CR LF"},
        {kOk + "content-LENGTH :\t7\t\r\n\r\n", 4096, HttpHead::kComplete, 40, 200, true, 7,
         "letter case and blanks"},
        {kOk + "Content-Length: 4294967295\r\n\r\n", 4096, HttpHead::kComplete, 47, 200, true,
         0xFFFFFFFF, "the largest 32-bit length"},
        {kOk + "X-Content-Length: 5\r\nContent-Lengthy: 6\r\n\r\n", 4096, HttpHead::kComplete, 60,
         200, false, 0, "other names"},
        {kOk + "no colon here\r\n\r\n", 4096, HttpHead::kComplete, 34, 200, false, 0,
         "a line without a colon"},
        {kOk + "Content-Length: 4294967296\r\n\r\n", 4096, HttpHead::kBadLength, 0, 200, false, 0,
         "2^32"},
        {kOk + "Content-Length: 00000000001\r\n\r\n", 4096, HttpHead::kBadLength, 0, 200, false, 0,
         "eleven digits"},
        {kOk + "Content-Length: -1\r\n\r\n", 4096, HttpHead::kBadLength, 0, 200, false, 0,
         "negative"},
        {kOk + "Content-Length: 0x10\r\n\r\n", 4096, HttpHead::kBadLength, 0, 200, false, 0,
         "hexadecimal"},
        {kOk + "Content-Length: 1,2\r\n\r\n", 4096, HttpHead::kBadLength, 0, 200, false, 0,
         "a list"},
        {kOk + "Content-Length: \r\n\r\n", 4096, HttpHead::kBadLength, 0, 200, false, 0, "empty"},
        {kOk + "Content-Length: 5\r\nContent-Length: 6\r\n\r\n", 4096, HttpHead::kBadLength, 0, 200,
         false, 0, "two that differ"},
        {"HTTP/1.0 2000 OK\r\n\r\n", 4096, HttpHead::kBadStatusLine, 0, 0, false, 0, "four digits"},
        {"HTTP/1.0 20 OK\r\n\r\n", 4096, HttpHead::kBadStatusLine, 0, 0, false, 0, "two digits"},
        {"HTTP/1 200 OK\r\n\r\n", 4096, HttpHead::kBadStatusLine, 0, 0, false, 0, "no minor"},
        {"http/1.0 200 OK\r\n\r\n", 4096, HttpHead::kBadStatusLine, 0, 0, false, 0,
         "lower-case protocol"},
        {"<html>hello</html>\n\n", 4096, HttpHead::kBadStatusLine, 0, 0, false, 0, "no head"},
        {"\r\n\r\n", 4096, HttpHead::kBadStatusLine, 0, 0, false, 0, "empty first line"},
        {"", 4096, HttpHead::kIncomplete, 0, 0, false, 0, "nothing yet"},
        {kOk + "Content-Length: 7\r\n", 4096, HttpHead::kIncomplete, 0, 0, false, 0,
         "no empty line yet"},
        {kOk + "\r", 4096, HttpHead::kIncomplete, 0, 0, false, 0, "the CR of the end"},
        {kOk + "\r\n", 19, HttpHead::kComplete, 19, 200, false, 0, "exactly the limit"},
        {kOk + "\r\n", 18, HttpHead::kTooLong, 0, 0, false, 0, "one byte over the limit"},
        {kOk + std::string(5000, 'x'), 4096, HttpHead::kTooLong, 0, 0, false, 0, "a long line"},
    };
    for (const Row& row : rows) {
        // The bytes alone in a buffer of their size: a read past them is seen
        // by the address sanitizer.
        std::unique_ptr<char[]> copy(new char[row.bytes.size() + 1]);
        std::copy(row.bytes.begin(), row.bytes.end(), copy.get());
        HttpHead h = HttpHead::parse(copy.get(), uint32_t(row.bytes.size()), row.limit);
        EXPECT_EQ(h.verdict, row.verdict) << row.why;
        if (row.verdict != HttpHead::kComplete)
            continue;
        EXPECT_EQ(h.headerBytes, row.headerBytes) << row.why;
        EXPECT_EQ(h.status, row.status) << row.why;
        EXPECT_EQ(h.hasLength, row.hasLength) << row.why;
        EXPECT_EQ(h.contentLength, row.length) << row.why;
    }
}

TEST(HttpHeadTest, AnyCutOfASoundHeadIsIncomplete) {
    const std::string head = "HTTP/1.0 200 OK\r\nServer: x\r\nContent-Length: 300\r\n\r\n";
    for (size_t n = 0; n < head.size(); ++n) {
        HttpHead h = HttpHead::parse(head.data(), uint32_t(n), 4096);
        EXPECT_EQ(h.verdict, HttpHead::kIncomplete) << n;
    }
    HttpHead h = HttpHead::parse(head.data(), uint32_t(head.size()), 4096);
    EXPECT_EQ(h.verdict, HttpHead::kComplete);
    EXPECT_TRUE(h.succeeded());
}

}  // namespace
