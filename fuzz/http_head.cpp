// Fuzz target: the head of an HTTP answer, as the web-server backend parses
// it after every receive: the whole input, each shorter prefix a receive
// could have ended at, and a limit cut inside it.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "file/http/HttpFileManager.h"
#include "file/http/HttpHead.h"

namespace {

void check(const HttpHead& head, uint32_t count, uint32_t limit) {
    // A complete head lies within what was given and within the limit.
    if (head.verdict == HttpHead::kComplete && (head.headerBytes == 0 || head.headerBytes > count ||
                                                head.headerBytes > limit || head.status > 999))
        std::abort();
    if (head.verdict == HttpHead::kTooLong && count < limit)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 2 * HttpFileManager::kHeadBytes)
        return 0;
    // The bytes alone in a buffer of their size, so a read past them is seen.
    std::unique_ptr<char[]> bytes(new char[size ? size : 1]);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = char(data[i]);
    const uint32_t n = uint32_t(size);
    const uint32_t limit = HttpFileManager::kHeadBytes;
    check(HttpHead::parse(bytes.get(), n, limit), n, limit);
    for (uint32_t cut = 0; cut < n; cut += 1 + cut / 8)
        check(HttpHead::parse(bytes.get(), cut, limit), cut, limit);
    check(HttpHead::parse(bytes.get(), n, n / 2), n, n / 2);
    return 0;
}
