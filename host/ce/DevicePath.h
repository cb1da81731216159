// Maps Windows CE paths ("\Storage Card\keldos.gz") onto the device folder's
// root/, component by component and without regard to letter case, as the
// handheld's file systems compare names.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace host {

struct ResolvedPath {
    std::filesystem::path host;  // where the file is or would be created
    bool exists = false;
    bool parentExists = false;
};

// Splits at '\' and '/', dropping empty components.
std::vector<std::u16string> splitPath(const std::u16string& path);
ResolvedPath resolvePath(const std::u16string& path);
// Case-insensitive name comparison (ASCII and Latin-1 letters fold).
bool sameName(const std::string& a, const std::string& b);
// Simple wildcard match of '*' and '?' without regard to case; "*.*" matches
// every name, with or without a dot.
bool matchPattern(const std::string& pattern, const std::string& name);

}  // namespace host
