// Printf-style formatting into UTF-16 (wsprintfW and its bounded form).
#include <cstring>
#include <string>

#include "ce/CodePage.h"
#include "platform/ce/CeText.h"

namespace {

using ce::WCHAR;

// Collects output and stops at the capacity (terminator excluded).
class Output {
public:
    Output(WCHAR* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {}
    void put(WCHAR c) {
        if (length_ < capacity_) {
            buffer_[length_++] = c;
        } else {
            cut_ = true;
        }
    }
    void put(const std::u16string& s) {
        for (WCHAR c : s) put(c);
    }
    void terminate() { buffer_[length_] = 0; }
    size_t length() const { return length_; }
    bool cut() const { return cut_; }

private:
    WCHAR* buffer_;
    size_t capacity_;
    size_t length_ = 0;
    bool cut_ = false;
};

struct Spec {
    bool left = false;
    bool zero = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;
    char size = 0;  // 'h' or 'l'
};

std::u16string narrowToWide(const char* s, size_t n) {
    std::u16string out;
    host::decode(host::codePageName(0), std::string(s, n), out);
    return out;
}

void pad(Output& out, const Spec& spec, const std::u16string& body, const std::u16string& prefix,
         bool numeric) {
    size_t len = body.size() + prefix.size();
    size_t fill = spec.width > 0 && size_t(spec.width) > len ? spec.width - len : 0;
    if (!spec.left && !(spec.zero && numeric)) {
        for (size_t i = 0; i < fill; ++i) out.put(u' ');
    }
    out.put(prefix);
    if (!spec.left && spec.zero && numeric) {
        for (size_t i = 0; i < fill; ++i) out.put(u'0');
    }
    out.put(body);
    if (spec.left) {
        for (size_t i = 0; i < fill; ++i) out.put(u' ');
    }
}

std::u16string digits(uint32_t v, unsigned base, bool upper) {
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::u16string s;
    do {
        s.insert(s.begin(), char16_t(set[v % base]));
        v /= base;
    } while (v);
    return s;
}

// Parses flags, width, precision and size after '%'; returns the position of
// the conversion character.
const WCHAR* parseSpec(const WCHAR* f, Spec& spec, va_list& args) {
    for (;; ++f) {
        if (*f == u'-') {
            spec.left = true;
        } else if (*f == u'0') {
            spec.zero = true;
        } else if (*f == u'#') {
            spec.alternate = true;
        } else {
            break;
        }
    }
    if (*f == u'*') {
        spec.width = va_arg(args, int);
        ++f;
    }
    while (*f >= u'0' && *f <= u'9') spec.width = spec.width * 10 + (*f++ - u'0');
    if (*f == u'.') {
        spec.precision = 0;
        ++f;
        while (*f >= u'0' && *f <= u'9') spec.precision = spec.precision * 10 + (*f++ - u'0');
    }
    if (*f == u'h' || *f == u'l') spec.size = char(*f++);
    return f;
}

void convert(Output& out, WCHAR c, const Spec& spec, va_list& args) {
    switch (c) {
        case u's':
        case u'S': {
            bool narrow = (c == u'S') != (spec.size == 'h' || spec.size == 'l');
            if (spec.size == 'h') narrow = true;
            if (spec.size == 'l') narrow = false;
            std::u16string s;
            if (narrow) {
                const char* p = va_arg(args, const char*);
                if (!p) p = "(null)";
                size_t n = std::strlen(p);
                if (spec.precision >= 0 && size_t(spec.precision) < n) n = spec.precision;
                s = narrowToWide(p, n);
            } else {
                const WCHAR* p = va_arg(args, const WCHAR*);
                s = p ? std::u16string(p) : std::u16string(u"(null)");
                if (spec.precision >= 0 && size_t(spec.precision) < s.size()) {
                    s.resize(spec.precision);
                }
            }
            pad(out, spec, s, u"", false);
            return;
        }
        case u'c':
        case u'C': {
            int v = va_arg(args, int);
            std::u16string s;
            bool narrow = (c == u'C' && spec.size != 'l') || spec.size == 'h';
            if (narrow) {
                char b = char(v);
                s = narrowToWide(&b, 1);
            } else {
                s = std::u16string(1, char16_t(v));
            }
            pad(out, spec, s, u"", false);
            return;
        }
        case u'd':
        case u'i': {
            int32_t v = va_arg(args, int32_t);
            uint32_t magnitude = v < 0 ? 0u - uint32_t(v) : uint32_t(v);
            pad(out, spec, digits(magnitude, 10, false), v < 0 ? u"-" : u"", true);
            return;
        }
        case u'u':
            pad(out, spec, digits(va_arg(args, uint32_t), 10, false), u"", true);
            return;
        case u'x':
        case u'X': {
            uint32_t v = va_arg(args, uint32_t);
            std::u16string prefix = spec.alternate && v ? (c == u'x' ? u"0x" : u"0X") : u"";
            pad(out, spec, digits(v, 16, c == u'X'), prefix, true);
            return;
        }
        default:
            // Not a conversion we know: show it as written.
            out.put(u'%');
            out.put(c);
    }
}

int format(WCHAR* buffer, size_t count, const WCHAR* f, va_list args) {
    if (buffer == nullptr || count == 0) return -1;
    if (f == nullptr) {
        buffer[0] = 0;
        return 0;
    }
    Output out(buffer, count - 1);
    va_list ap;
    va_copy(ap, args);
    while (*f) {
        if (*f != u'%') {
            out.put(*f++);
            continue;
        }
        ++f;
        if (*f == u'%') {
            out.put(*f++);
            continue;
        }
        Spec spec;
        f = parseSpec(f, spec, ap);
        if (!*f) break;
        convert(out, *f++, spec, ap);
    }
    va_end(ap);
    out.terminate();
    return out.cut() ? -1 : int(out.length());
}

}  // namespace

namespace ce {

int _vsnwprintf(LPWSTR buffer, size_t count, LPCWSTR format, va_list args) {
    return ::format(buffer, count, format, args);
}

int _snwprintf(LPWSTR buffer, size_t count, LPCWSTR format, ...) {
    va_list args;
    va_start(args, format);
    int r = ::format(buffer, count, format, args);
    va_end(args);
    return r;
}

int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args) {
    int r = ::format(buffer, WSPRINTF_LIMIT, format, args);
    return r < 0 ? int(wcslen(buffer)) : r;
}

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
    va_list args;
    va_start(args, format);
    int r = wvsprintfW(buffer, format, args);
    va_end(args);
    return r;
}

}  // namespace ce
