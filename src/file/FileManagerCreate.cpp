// The creation operation: the backend for a kind, wrapped in the gzip layer.
#include <memory>

#include "file/FileManager.h"
#include "file/fat/FatFileManager.h"
#include "file/gzip/GzipFileManager.h"
#include "file/http/HttpFileManager.h"
#include "file/ufs/UfsFileManager.h"
#include "platform/Allocate.h"

namespace {

// Local files for kind 0, the web server for kind 2, a UFS partition for
// every other value. Null when the backend cannot be made.
std::unique_ptr<FileManager> createBackend(Console*& console, uint32_t kind) {
    switch (kind) {
        case FileManager::kLocal:
            return allocate<FatFileManager>(console);
        case FileManager::kHttp:
            return allocate<HttpFileManager>(console);
        default:
            return allocate<UfsFileManager>(console);
    }
}

}  // namespace

FileManager* FileManager::create(Console*& console, uint32_t kind) {
    // The backend comes first so that a GzipFileManager never exists without one.
    std::unique_ptr<FileManager> backend = createBackend(console, kind);
    if (!backend)
        return nullptr;
    std::unique_ptr<GzipFileManager> manager = allocate<GzipFileManager>(console, backend.get());
    // The gzip layer owns the backend from here on.
    if (manager)
        backend.release();
    return manager.release();
}
