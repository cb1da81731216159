#include "file/http/HttpHead.h"

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

// One line of the head: [begin, end), its CR (if any) and LF left out.
struct Line {
    const char* begin;
    const char* end;
};

// The end of the line that starts at `at` (the position of its LF), or null
// when no LF comes before `stop`.
const char* lineFeed(const char* at, const char* stop) {
    for (; at < stop; ++at) {
        if (*at == '\n')
            return at;
    }
    return nullptr;
}

Line lineBefore(const char* begin, const char* feed) {
    const char* end = feed;
    if (end > begin && end[-1] == '\r')
        --end;
    return Line{begin, end};
}

// "HTTP/" digits "." digits, a space, three digits, then the end of the line
// or a space and the reason.
bool statusLine(Line line, uint32_t& status) {
    const char* p = line.begin;
    const char* prefix = "HTTP/";
    for (; *prefix; ++prefix, ++p) {
        if (p == line.end || *p != *prefix)
            return false;
    }
    for (int part = 0; part < 2; ++part) {
        const char* digits = p;
        while (p < line.end && isDigit(*p))
            ++p;
        if (p == digits)
            return false;
        if (part == 0) {
            if (p == line.end || *p != '.')
                return false;
            ++p;
        }
    }
    if (line.end - p < 4 || *p != ' ')
        return false;
    ++p;
    uint32_t code = 0;
    for (int i = 0; i < 3; ++i, ++p) {
        if (!isDigit(*p))
            return false;
        code = code * 10 + uint32_t(*p - '0');
    }
    if (p != line.end && *p != ' ')
        return false;
    status = code;
    return true;
}

bool nameIs(const char* begin, const char* end, const char* name) {
    for (; begin < end && *name; ++begin, ++name) {
        if (lower(*begin) != *name)
            return false;
    }
    return begin == end && *name == 0;
}

// The value of a Content-Length field: blanks, 1 to 10 digits, blanks.
bool lengthValue(const char* p, const char* end, uint32_t& value) {
    while (p < end && isBlank(*p))
        ++p;
    uint64_t v = 0;
    int digits = 0;
    for (; p < end && isDigit(*p); ++p, ++digits) {
        if (digits == 10)
            return false;
        v = v * 10 + uint32_t(*p - '0');
    }
    while (p < end && isBlank(*p))
        ++p;
    if (digits == 0 || p != end || v > 0xFFFFFFFF)
        return false;
    value = uint32_t(v);
    return true;
}

// A header line; only Content-Length is looked at. A line without a colon
// carries nothing the backend needs.
bool headerLine(Line line, HttpHead& head) {
    const char* colon = line.begin;
    while (colon < line.end && *colon != ':')
        ++colon;
    if (colon == line.end)
        return true;
    const char* nameEnd = colon;
    while (nameEnd > line.begin && isBlank(nameEnd[-1]))
        --nameEnd;
    if (!nameIs(line.begin, nameEnd, "content-length"))
        return true;
    uint32_t value = 0;
    if (!lengthValue(colon + 1, line.end, value))
        return false;
    if (head.hasLength && head.contentLength != value)
        return false;
    head.hasLength = true;
    head.contentLength = value;
    return true;
}

}  // namespace

HttpHead HttpHead::parse(const char* bytes, uint32_t count, uint32_t limit) {
    HttpHead head;
    const char* stop = bytes + (count < limit ? count : limit);
    // Find the empty line first: nothing is judged before the head is whole.
    const char* at = bytes;
    const char* end = nullptr;
    for (const char* feed; (feed = lineFeed(at, stop)) != nullptr; at = feed + 1) {
        Line line = lineBefore(at, feed);
        if (line.begin == line.end && at != bytes) {
            end = feed + 1;
            break;
        }
    }
    if (!end) {
        head.verdict = count >= limit ? kTooLong : kIncomplete;
        return head;
    }
    head.headerBytes = uint32_t(end - bytes);
    const char* feed = lineFeed(bytes, end);
    if (!statusLine(lineBefore(bytes, feed), head.status)) {
        head.verdict = kBadStatusLine;
        return head;
    }
    for (at = feed + 1; (feed = lineFeed(at, end)) != nullptr; at = feed + 1) {
        Line line = lineBefore(at, feed);
        if (line.begin == line.end)
            break;
        if (!headerLine(line, head)) {
            head.verdict = kBadLength;
            return head;
        }
    }
    head.verdict = kComplete;
    return head;
}
