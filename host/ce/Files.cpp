// File services over the device folder's root/.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "ce/DevicePath.h"
#include "ce/HandleTable.h"
#include "platform/ce/CeFile.h"

namespace host {
namespace {

uint32_t errnoToError(int e) {
    switch (e) {
        case ENOENT:
            return ce::ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ce::ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
            return ce::ERROR_ACCESS_DENIED;
        case EEXIST:
            return ce::ERROR_FILE_EXISTS;
        case ENOSPC:
            return ce::ERROR_WRITE_FAULT;
        case EMFILE:
            return ce::ERROR_TOO_MANY_OPEN_FILES;
        default:
            return ce::ERROR_INVALID_PARAMETER;
    }
}

class HostFile : public HandleObject {
  public:
    explicit HostFile(int fd) : fd_(fd) {}
    ~HostFile() override { ::close(fd_); }

    bool read(void* buffer, uint32_t count, uint32_t& done, uint32_t& error) override {
        done = 0;
        while (done < count) {
            ssize_t r = ::read(fd_, static_cast<char*>(buffer) + done, count - done);
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0)
                return error = ce::ERROR_READ_FAULT, false;
            if (r == 0)
                break;
            done += uint32_t(r);
        }
        return true;
    }

    bool write(const void* buffer, uint32_t count, uint32_t& done, uint32_t& error) override {
        done = 0;
        while (done < count) {
            ssize_t r = ::write(fd_, static_cast<const char*>(buffer) + done, count - done);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return error = ce::ERROR_WRITE_FAULT, false;
            done += uint32_t(r);
        }
        return true;
    }

    bool seek(int64_t distance, uint32_t method, uint64_t& position, uint32_t& error) override {
        int whence = method == ce::FILE_BEGIN     ? SEEK_SET
                     : method == ce::FILE_CURRENT ? SEEK_CUR
                                                  : SEEK_END;
        if (method > ce::FILE_END)
            return error = ce::ERROR_INVALID_PARAMETER, false;
        off_t r = ::lseek(fd_, distance, whence);
        if (r < 0)
            return error = ce::ERROR_INVALID_PARAMETER, false;
        position = uint64_t(r);
        return true;
    }

    bool size(uint64_t& size, uint32_t& error) override {
        struct stat st;
        if (::fstat(fd_, &st) != 0)
            return error = errnoToError(errno), false;
        size = uint64_t(st.st_size);
        return true;
    }

    bool flush(uint32_t& error) override {
        if (::fsync(fd_) != 0 && errno != EINVAL)
            return error = ce::ERROR_WRITE_FAULT, false;
        return true;
    }

  private:
    int fd_;
};

bool isDeviceName(const std::u16string& name) {
    // "COM1:", "DSK1:": letters, one digit, a colon, no path separator.
    return name.size() >= 3 && name.back() == u':' && name.find(u'\\') == std::u16string::npos &&
           name.find(u'/') == std::u16string::npos;
}

int openFlags(uint32_t access, uint32_t creation, uint32_t& error) {
    int flags = O_CLOEXEC;
    bool r = access & ce::GENERIC_READ, w = access & ce::GENERIC_WRITE;
    flags |= r && w ? O_RDWR : w ? O_WRONLY : O_RDONLY;
    switch (creation) {
        case ce::CREATE_NEW:
            return flags | O_CREAT | O_EXCL;
        case ce::CREATE_ALWAYS:
            return flags | O_CREAT | O_TRUNC;
        case ce::OPEN_EXISTING:
            return flags;
        case ce::OPEN_ALWAYS:
            return flags | O_CREAT;
        case ce::TRUNCATE_EXISTING:
            return flags | O_TRUNC;
        default:
            error = ce::ERROR_INVALID_PARAMETER;
            return -1;
    }
}

}  // namespace
}  // namespace host

namespace ce {

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES*, DWORD creation,
                   DWORD attributes, HANDLE) {
    if (name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::u16string path(name);
    uint32_t error = ERROR_SUCCESS;
    if (host::isDeviceName(path)) {
        std::unique_ptr<host::HandleObject> device = host::openDevice(path, access, error);
        if (!device) {
            SetLastError(error ? error : ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        return host::handles().add(std::move(device));
    }
    host::ResolvedPath resolved = host::resolvePath(path);
    if (!resolved.parentExists) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::error_code ec;
    if (resolved.exists && std::filesystem::is_directory(resolved.host, ec)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    int flags = host::openFlags(access, creation, error);
    if (flags < 0) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    int fd = ::open(resolved.host.c_str(), flags, 0644);
    if (fd < 0) {
        SetLastError(host::errnoToError(errno));
        return INVALID_HANDLE_VALUE;
    }
    bool existed = resolved.exists;
    SetLastError((creation == CREATE_ALWAYS || creation == OPEN_ALWAYS) && existed
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    return host::handles().add(std::make_unique<host::HostFile>(fd));
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, DWORD* transferred, OVERLAPPED*) {
    if (transferred)
        *transferred = 0;
    host::HandleObject* object = host::handles().find(file);
    if (!object)
        return SetLastError(ERROR_INVALID_HANDLE), FALSE;
    uint32_t done = 0, error = 0;
    bool ok = object->read(buffer, count, done, error);
    if (transferred)
        *transferred = done;
    if (!ok)
        SetLastError(error);
    return ok ? TRUE : FALSE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, DWORD* transferred, OVERLAPPED*) {
    if (transferred)
        *transferred = 0;
    host::HandleObject* object = host::handles().find(file);
    if (!object)
        return SetLastError(ERROR_INVALID_HANDLE), FALSE;
    uint32_t done = 0, error = 0;
    bool ok = object->write(buffer, count, done, error);
    if (transferred)
        *transferred = done;
    if (!ok)
        SetLastError(error);
    return ok ? TRUE : FALSE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    host::HandleObject* object = host::handles().find(file);
    if (!object)
        return SetLastError(ERROR_INVALID_HANDLE), INVALID_SET_FILE_POINTER;
    int64_t d = distanceHigh ? (int64_t(*distanceHigh) << 32) | uint32_t(distance) : distance;
    uint64_t position = 0;
    uint32_t error = 0;
    if (!object->seek(d, method, position, error)) {
        SetLastError(error);
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh)
        *distanceHigh = LONG(position >> 32);
    SetLastError(ERROR_SUCCESS);
    return DWORD(position);
}

DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) {
    host::HandleObject* object = host::handles().find(file);
    if (!object)
        return SetLastError(ERROR_INVALID_HANDLE), INVALID_FILE_SIZE;
    uint64_t size = 0;
    uint32_t error = 0;
    if (!object->size(size, error)) {
        SetLastError(error);
        return INVALID_FILE_SIZE;
    }
    if (sizeHigh)
        *sizeHigh = DWORD(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return DWORD(size);
}

BOOL FlushFileBuffers(HANDLE file) {
    host::HandleObject* object = host::handles().find(file);
    if (!object)
        return SetLastError(ERROR_INVALID_HANDLE), FALSE;
    uint32_t error = 0;
    if (!object->flush(error))
        return SetLastError(error), FALSE;
    return TRUE;
}

BOOL CloseHandle(HANDLE object) {
    if (!host::handles().close(object))
        return SetLastError(ERROR_INVALID_HANDLE), FALSE;
    return TRUE;
}

BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                     DWORD* returned, OVERLAPPED*) {
    host::HandleObject* object = host::handles().find(device);
    if (!object)
        return SetLastError(ERROR_INVALID_HANDLE), FALSE;
    uint32_t count = 0, error = 0;
    bool ok = object->ioctl(code, in, inSize, out, outSize, count, error);
    if (returned)
        *returned = count;
    if (!ok)
        SetLastError(error);
    return ok ? TRUE : FALSE;
}

BOOL GetCommState(HANDLE port, DCB* dcb) {
    host::HandleObject* object = host::handles().find(port);
    if (!object || !dcb)
        return SetLastError(ERROR_INVALID_HANDLE), FALSE;
    uint32_t error = 0;
    if (!object->getCommState(*dcb, error))
        return SetLastError(error), FALSE;
    return TRUE;
}

BOOL SetCommState(HANDLE port, DCB* dcb) {
    host::HandleObject* object = host::handles().find(port);
    if (!object || !dcb)
        return SetLastError(ERROR_INVALID_HANDLE), FALSE;
    uint32_t error = 0;
    if (!object->setCommState(*dcb, error))
        return SetLastError(error), FALSE;
    return TRUE;
}

}  // namespace ce
