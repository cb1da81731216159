// Reading an open file of a file manager to its end, as a caller that does
// not know the size would: `chunk` bytes at a time from where the last read
// ended, until a read gives 0 or fails.
#pragma once

#include <cstdint>
#include <string>

#include "file/FileManager.h"

namespace testing_support {

inline std::string readToEnd(FileManager& files, uint32_t chunk) {
    std::string out, buffer(chunk, 0);
    for (int32_t n; (n = files.read(buffer.data(), chunk, FileManager::kCurrentPosition)) > 0;)
        out.append(buffer.data(), size_t(n));
    return out;
}

}  // namespace testing_support
