// Directory listing over the device folder's root/.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "ce/DevicePath.h"
#include "ce/HandleTable.h"
#include "platform/ce/CeFile.h"

namespace host {
namespace {

class FindState : public HandleObject {
  public:
    std::vector<ce::WIN32_FIND_DATAW> entries;
    size_t next = 0;
};

bool isStorageCard(const std::filesystem::path& dir, const std::string& name) {
    std::error_code ec;
    if (!std::filesystem::equivalent(dir, Machine::current().rootDir(), ec))
        return false;
    for (const std::string& card : Machine::current().profile().storageCards) {
        if (sameName(card, name))
            return true;
    }
    return false;
}

ce::WIN32_FIND_DATAW describe(const std::filesystem::directory_entry& e, bool storageCard) {
    ce::WIN32_FIND_DATAW data{};
    std::error_code ec;
    if (e.is_directory(ec)) {
        data.dwFileAttributes = ce::FILE_ATTRIBUTE_DIRECTORY;
        if (storageCard)
            data.dwFileAttributes |= ce::FILE_ATTRIBUTE_TEMPORARY;
    } else {
        data.dwFileAttributes = ce::FILE_ATTRIBUTE_ARCHIVE;
        uint64_t size = e.file_size(ec);
        data.nFileSizeLow = uint32_t(size);
        data.nFileSizeHigh = uint32_t(size >> 32);
    }
    std::u16string name = fromUtf8(e.path().filename().string());
    size_t n = std::min(name.size(), size_t(ce::MAX_PATH - 1));
    std::copy_n(name.begin(), n, data.cFileName);
    data.cFileName[n] = 0;
    return data;
}

}  // namespace
}  // namespace host

namespace ce {

HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data) {
    if (!pattern || !data)
        return SetLastError(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE;
    std::u16string text(pattern);
    size_t cut = text.find_last_of(u"\\/");
    std::u16string dir = cut == std::u16string::npos ? u"" : text.substr(0, cut);
    std::string mask = host::toUtf8(cut == std::u16string::npos ? text : text.substr(cut + 1));
    host::ResolvedPath where = host::resolvePath(dir);
    std::error_code ec;
    if (!where.exists || !std::filesystem::is_directory(where.host, ec)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto state = std::make_unique<host::FindState>();
    std::vector<std::filesystem::directory_entry> found;
    for (const auto& e : std::filesystem::directory_iterator(where.host, ec)) {
        if (host::matchPattern(mask, e.path().filename().string()))
            found.push_back(e);
    }
    // A stable order, so runs and tests see the same listing.
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.path().filename() < b.path().filename();
    });
    for (const auto& e : found) {
        state->entries.push_back(
            host::describe(e, host::isStorageCard(where.host, e.path().filename().string())));
    }
    if (state->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *data = state->entries[0];
    state->next = 1;
    return host::handles().add(std::move(state));
}

BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) {
    auto* state = host::handles().findAs<host::FindState>(find);
    if (!state || !data)
        return SetLastError(ERROR_INVALID_HANDLE), FALSE;
    if (state->next >= state->entries.size())
        return SetLastError(ERROR_NO_MORE_FILES), FALSE;
    *data = state->entries[state->next++];
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    if (!host::handles().findAs<host::FindState>(find)) {
        return SetLastError(ERROR_INVALID_HANDLE), FALSE;
    }
    host::handles().close(find);
    return TRUE;
}

}  // namespace ce
