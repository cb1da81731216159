// The creation operation: the backend for a kind, wrapped in the gzip layer.
#include <new>

#include "file/fat/FatFileManager.h"
#include "file/FileManager.h"
#include "file/gzip/GzipFileManager.h"
#include "file/http/HttpFileManager.h"
#include "file/ufs/UfsFileManager.h"

namespace {

// Local files for kind 0, the web server for kind 2, a UFS partition for
// every other value. Null when the backend cannot be made.
FileManager* createBackend(Console*& console, uint32_t kind) {
    switch (kind) {
        case FileManager::kLocal:
            return new (std::nothrow) FatFileManager(console);
        case FileManager::kHttp:
            return new (std::nothrow) HttpFileManager(console);
        default:
            return new (std::nothrow) UfsFileManager(console);
    }
}

}  // namespace

FileManager* FileManager::create(Console*& console, uint32_t kind) {
    // The backend comes first so that a GzipFileManager never exists without one.
    FileManager* backend = createBackend(console, kind);
    if (!backend)
        return nullptr;
    FileManager* manager = new (std::nothrow) GzipFileManager(console, backend);
    if (!manager)
        delete backend;
    return manager;
}
