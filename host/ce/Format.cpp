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
        for (WCHAR c : s)
            put(c);
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

struct Conversion {
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

void pad(Output& out, const Conversion& conv, const std::u16string& body,
         const std::u16string& prefix, bool numeric) {
    size_t len = body.size() + prefix.size();
    size_t fill = conv.width > 0 && size_t(conv.width) > len ? conv.width - len : 0;
    if (!conv.left && !(conv.zero && numeric)) {
        for (size_t i = 0; i < fill; ++i)
            out.put(u' ');
    }
    out.put(prefix);
    if (!conv.left && conv.zero && numeric) {
        for (size_t i = 0; i < fill; ++i)
            out.put(u'0');
    }
    out.put(body);
    if (conv.left) {
        for (size_t i = 0; i < fill; ++i)
            out.put(u' ');
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
const WCHAR* parseConversion(const WCHAR* f, Conversion& conv, va_list& args) {
    for (;; ++f) {
        if (*f == u'-') {
            conv.left = true;
        } else if (*f == u'0') {
            conv.zero = true;
        } else if (*f == u'#') {
            conv.alternate = true;
        } else {
            break;
        }
    }
    if (*f == u'*') {
        conv.width = va_arg(args, int);
        ++f;
    }
    while (*f >= u'0' && *f <= u'9')
        conv.width = conv.width * 10 + (*f++ - u'0');
    if (*f == u'.') {
        conv.precision = 0;
        ++f;
        while (*f >= u'0' && *f <= u'9')
            conv.precision = conv.precision * 10 + (*f++ - u'0');
    }
    if (*f == u'h' || *f == u'l')
        conv.size = char(*f++);
    return f;
}

void convert(Output& out, WCHAR c, const Conversion& conv, va_list& args) {
    switch (c) {
        case u's':
        case u'S': {
            // %S is narrow and %s wide; an 'h' or 'l' size says so outright.
            bool narrow = conv.size == 'h' || (c == u'S' && conv.size != 'l');
            std::u16string s;
            if (narrow) {
                const char* p = va_arg(args, const char*);
                if (!p)
                    p = "(null)";
                size_t n = std::strlen(p);
                if (conv.precision >= 0 && size_t(conv.precision) < n)
                    n = conv.precision;
                s = narrowToWide(p, n);
            } else {
                const WCHAR* p = va_arg(args, const WCHAR*);
                s = p ? std::u16string(p) : std::u16string(u"(null)");
                if (conv.precision >= 0 && size_t(conv.precision) < s.size()) {
                    s.resize(conv.precision);
                }
            }
            pad(out, conv, s, u"", false);
            return;
        }
        case u'c':
        case u'C': {
            int v = va_arg(args, int);
            std::u16string s;
            bool narrow = (c == u'C' && conv.size != 'l') || conv.size == 'h';
            if (narrow) {
                char b = char(v);
                s = narrowToWide(&b, 1);
            } else {
                s = std::u16string(1, char16_t(v));
            }
            pad(out, conv, s, u"", false);
            return;
        }
        case u'd':
        case u'i': {
            int32_t v = va_arg(args, int32_t);
            uint32_t magnitude = v < 0 ? 0u - uint32_t(v) : uint32_t(v);
            pad(out, conv, digits(magnitude, 10, false), v < 0 ? u"-" : u"", true);
            return;
        }
        case u'u':
            pad(out, conv, digits(va_arg(args, uint32_t), 10, false), u"", true);
            return;
        case u'x':
        case u'X': {
            uint32_t v = va_arg(args, uint32_t);
            std::u16string prefix = conv.alternate && v ? (c == u'x' ? u"0x" : u"0X") : u"";
            pad(out, conv, digits(v, 16, c == u'X'), prefix, true);
            return;
        }
        default:
            // Not a conversion we know: show it as written.
            out.put(u'%');
            out.put(c);
    }
}

int format(WCHAR* buffer, size_t count, const WCHAR* f, va_list args) {
    if (buffer == nullptr || count == 0)
        return -1;
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
        Conversion conv;
        f = parseConversion(f, conv, ap);
        if (!*f)
            break;
        convert(out, *f++, conv, ap);
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
