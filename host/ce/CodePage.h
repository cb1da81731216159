// Conversion between UTF-16 and a code page of the machine through iconv.
#pragma once

#include <cstdint>
#include <string>

namespace host {

// The iconv name of a Windows code page number; 0 (CP_ACP) is the machine's.
std::string codePageName(uint32_t codePage);
// Converts UTF-16 to the code page; a character the code page lacks becomes
// `fallback` and sets *usedDefault. False when the code page is unknown.
bool encode(const std::string& codePage, const std::u16string& text, std::string& out,
            char fallback, bool* usedDefault);
// Converts code-page bytes to UTF-16; an invalid byte becomes '?'.
bool decode(const std::string& codePage, const std::string& bytes, std::u16string& out);

}  // namespace host
