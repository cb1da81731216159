// The POSIX error numbers the block device layer and the UFS reader return.
#pragma once

namespace errno_value {

constexpr int kNoEntry = 2;        // ENOENT: no such file, path too long, link loop
constexpr int kIo = 5;             // EIO: the device failed or the data is damaged
constexpr int kNoMemory = 12;      // ENOMEM
constexpr int kNoDevice = 19;      // ENODEV
constexpr int kNotDirectory = 20;  // ENOTDIR
constexpr int kInvalid = 22;       // EINVAL: not an acceptable disk or file system
constexpr int kFileTooLarge = 27;  // EFBIG: beyond triple indirection
constexpr int kReadOnly = 30;      // EROFS

}  // namespace errno_value
