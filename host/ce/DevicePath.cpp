#include "ce/DevicePath.h"

#include <cctype>

#include "machine/Machine.h"

namespace host {
namespace {

std::string foldCase(const std::string& s) {
    std::u16string wide = fromUtf8(s);
    for (char16_t& c : wide) {
        if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
            c += 32;
    }
    return toUtf8(wide);
}

bool matchFrom(const std::string& p, size_t i, const std::string& n, size_t j) {
    while (i < p.size()) {
        if (p[i] == '*') {
            for (size_t k = j; k <= n.size(); ++k) {
                if (matchFrom(p, i + 1, n, k))
                    return true;
            }
            return false;
        }
        if (j >= n.size())
            return false;
        if (p[i] != '?' && p[i] != n[j])
            return false;
        ++i, ++j;
    }
    return j == n.size();
}

}  // namespace

std::vector<std::u16string> splitPath(const std::u16string& path) {
    std::vector<std::u16string> parts;
    std::u16string part;
    for (char16_t c : path) {
        if (c == u'\\' || c == u'/') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

bool sameName(const std::string& a, const std::string& b) {
    return foldCase(a) == foldCase(b);
}

bool matchPattern(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*" || pattern == "*")
        return true;
    return matchFrom(foldCase(pattern), 0, foldCase(name), 0);
}

ResolvedPath resolvePath(const std::u16string& path) {
    namespace fs = std::filesystem;
    ResolvedPath result;
    fs::path current = Machine::current().rootDir();
    std::vector<std::u16string> parts = splitPath(path);
    result.parentExists = true;
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string name = toUtf8(parts[i]);
        if (name == "." || name == "..") {
            // The handheld has no relative components; refuse them rather than
            // letting a path escape the device folder.
            result.parentExists = false;
            result.host = current / name;
            return result;
        }
        fs::path next = current / name;
        std::error_code ec;
        if (!fs::exists(next, ec) && fs::is_directory(current, ec)) {
            for (const fs::directory_entry& e : fs::directory_iterator(current, ec)) {
                if (sameName(e.path().filename().string(), name)) {
                    next = e.path();
                    break;
                }
            }
        }
        current = next;
        if (i + 1 < parts.size() && !fs::is_directory(current, ec)) {
            result.parentExists = false;
            result.host = current;
            return result;
        }
    }
    std::error_code ec;
    result.host = current;
    result.exists = fs::exists(current, ec);
    return result;
}

}  // namespace host
