// The head of an HTTP answer: the status line and the header lines up to the
// empty line that ends them. Only what the web-server backend needs is
// taken: the status code, the head's length and the Content-Length field.
#pragma once

#include <cstdint>

struct HttpHead {
    enum Verdict : uint32_t {
        kComplete,       // the head ends inside the bytes given and is sound
        kIncomplete,     // no empty line yet, and the limit is not reached
        kTooLong,        // no empty line within the limit
        kBadStatusLine,  // the first line is not "HTTP/D.D NNN ..."
        kBadLength,      // a Content-Length that is not 1 to 10 digits below 2^32,
                         // or two that differ
    };

    Verdict verdict = kIncomplete;
    uint32_t headerBytes = 0;  // the head, its empty line included (complete heads)
    uint32_t status = 0;       // the status code (complete heads)
    bool hasLength = false;    // a Content-Length field was there
    uint32_t contentLength = 0;

    // Reads the head at the start of `bytes`, of which `count` have arrived.
    // Lines end with LF, optionally after CR; the head ends with the first
    // empty line, which must come within `limit` bytes. Field names are
    // compared without regard to letter case; a Content-Length value is
    // digits only, with blanks around them allowed. Reads no byte at or past
    // `count` or `limit`.
    static HttpHead parse(const char* bytes, uint32_t count, uint32_t limit);

    // The status code is 2xx: the answer's body is the file asked for.
    bool succeeded() const { return status >= 200 && status <= 299; }
};
