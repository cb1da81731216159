// Text conversion, formatting and the wide-string functions of the C library.
#pragma once

#include "platform/ce/CeTypes.h"

namespace ce {

// Code page 0 (CP_ACP) is the machine's code page. With outSize 0 the result
// is the byte count the conversion needs; 0 means failure.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR in, int inCount, LPSTR out, int outSize,
                        LPCSTR defaultChar, BOOL* usedDefault);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR in, int inCount, LPWSTR out,
                        int outSize);

// Printf-style formatting into UTF-16. Conversions: %s (UTF-16 string),
// %S (8-bit string in the machine's code page), %c, %C, %d, %u, %x, %X and %%,
// with the flags '#', '0' and '-' and a field width. The unbounded forms
// write at most 1024 units, terminator included, so their buffer must hold
// 1024 units. The bounded form writes at most `count` units, always
// terminates when count > 0, and returns -1 when the text was cut.
int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);
int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args);
int _snwprintf(LPWSTR buffer, size_t count, LPCWSTR format, ...);
int _vsnwprintf(LPWSTR buffer, size_t count, LPCWSTR format, va_list args);
constexpr size_t WSPRINTF_LIMIT = 1024;

size_t wcslen(LPCWSTR s);
int wcscmp(LPCWSTR a, LPCWSTR b);
int _wcsicmp(LPCWSTR a, LPCWSTR b);
LPWSTR wcscpy(LPWSTR to, LPCWSTR from);
LPWSTR wcsncpy(LPWSTR to, LPCWSTR from, size_t count);
LPWSTR wcscat(LPWSTR to, LPCWSTR from);
LPCWSTR wcschr(LPCWSTR s, WCHAR c);
LPCWSTR wcsstr(LPCWSTR haystack, LPCWSTR needle);
LPWSTR wcstok(LPWSTR s, LPCWSTR delimiters, LPWSTR* state);
int _wtoi(LPCWSTR s);

}  // namespace ce
