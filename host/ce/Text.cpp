// Text conversion and the wide-string functions of the C library.
#include <algorithm>
#include <cstring>
#include <string>

#include "ce/CodePage.h"
#include "platform/ce/CeFile.h"
#include "platform/ce/CeText.h"

namespace ce {

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR in, int inCount, LPSTR out, int outSize,
                        LPCSTR defaultChar, BOOL* usedDefault) {
    if (in == nullptr || inCount == 0 || inCount < -1 || outSize < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = inCount == -1 ? wcslen(in) + 1 : size_t(inCount);
    std::string bytes;
    bool used = false;
    if (!host::encode(host::codePageName(codePage), std::u16string(in, n), bytes,
                      defaultChar ? *defaultChar : '?', &used)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (usedDefault)
        *usedDefault = used ? TRUE : FALSE;
    if (outSize == 0)
        return int(bytes.size());
    if (out == nullptr || bytes.size() > size_t(outSize)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(out, bytes.data(), bytes.size());
    return int(bytes.size());
}

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR in, int inCount, LPWSTR out, int outSize) {
    if (in == nullptr || inCount == 0 || inCount < -1 || outSize < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = inCount == -1 ? std::strlen(in) + 1 : size_t(inCount);
    std::u16string text;
    if (!host::decode(host::codePageName(codePage), std::string(in, n), text)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (outSize == 0)
        return int(text.size());
    if (out == nullptr || text.size() > size_t(outSize)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(text.begin(), text.end(), out);
    return int(text.size());
}

size_t wcslen(LPCWSTR s) {
    size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

int wcscmp(LPCWSTR a, LPCWSTR b) {
    while (*a && *a == *b)
        ++a, ++b;
    return int(*a) - int(*b);
}

static WCHAR foldCase(WCHAR c) {
    return c >= u'A' && c <= u'Z' ? WCHAR(c + 32) : c;
}

int _wcsicmp(LPCWSTR a, LPCWSTR b) {
    while (*a && foldCase(*a) == foldCase(*b))
        ++a, ++b;
    return int(foldCase(*a)) - int(foldCase(*b));
}

LPWSTR wcscpy(LPWSTR to, LPCWSTR from) {
    LPWSTR d = to;
    while ((*d++ = *from++)) {
    }
    return to;
}

LPWSTR wcsncpy(LPWSTR to, LPCWSTR from, size_t count) {
    size_t i = 0;
    for (; i < count && from[i]; ++i)
        to[i] = from[i];
    for (; i < count; ++i)
        to[i] = 0;
    return to;
}

LPWSTR wcscat(LPWSTR to, LPCWSTR from) {
    wcscpy(to + wcslen(to), from);
    return to;
}

LPCWSTR wcschr(LPCWSTR s, WCHAR c) {
    for (;; ++s) {
        if (*s == c)
            return s;
        if (!*s)
            return nullptr;
    }
}

LPCWSTR wcsstr(LPCWSTR haystack, LPCWSTR needle) {
    size_t n = wcslen(needle);
    if (n == 0)
        return haystack;
    for (; *haystack; ++haystack) {
        if (std::equal(needle, needle + n, haystack, [](WCHAR a, WCHAR b) { return a == b; }) &&
            wcslen(haystack) >= n)
            return haystack;
    }
    return nullptr;
}

LPWSTR wcstok(LPWSTR s, LPCWSTR delimiters, LPWSTR* state) {
    LPWSTR p = s ? s : *state;
    if (!p)
        return nullptr;
    while (*p && wcschr(delimiters, *p))
        ++p;
    if (!*p) {
        *state = p;
        return nullptr;
    }
    LPWSTR token = p;
    while (*p && !wcschr(delimiters, *p))
        ++p;
    if (*p)
        *p++ = 0;
    *state = p;
    return token;
}

int _wtoi(LPCWSTR s) {
    while (*s == u' ' || *s == u'\t')
        ++s;
    bool negative = *s == u'-';
    if (*s == u'-' || *s == u'+')
        ++s;
    int64_t v = 0;
    while (*s >= u'0' && *s <= u'9') {
        v = v * 10 + (*s++ - u'0');
        if (v > 0x80000000LL)
            v = 0x80000000LL;
    }
    v = negative ? -v : v;
    return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace ce
