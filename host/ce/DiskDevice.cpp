#include "ce/DiskDevice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/ce/CeDisk.h"

namespace host {
namespace {

bool parseNumber(const std::string& text, uint64_t& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text.c_str(), &end, 0);
    return errno == 0 && end && *end == 0;
}

class DiskDevice : public HandleObject {
  public:
    DiskDevice(int fd, const std::string& unit, const MachineProfile& profile) : fd_(fd) {
        struct stat st {};
        ::fstat(fd_, &st);
        uint64_t value = 0;
        std::string prefix = "disk." + unit + ".";
        if (parseNumber(profile.value(prefix + "bytes_per_sector"), value) && value > 0)
            info_.di_bytes_per_sect = uint32_t(value);
        info_.di_total_sectors = uint32_t(uint64_t(st.st_size) / info_.di_bytes_per_sect);
        if (parseNumber(profile.value(prefix + "flags"), value))
            info_.di_flags = uint32_t(value);
        if (parseNumber(profile.value(prefix + "bad_sector"), value))
            badSector_ = int64_t(value);
        unsigned c = 0, h = 0, s = 0;
        if (std::sscanf(profile.value(prefix + "chs").c_str(), "%u:%u:%u", &c, &h, &s) == 3) {
            info_.di_cylinders = c;
            info_.di_heads = h;
            info_.di_sectors = s;
        } else {
            info_.di_cylinders = info_.di_total_sectors / (info_.di_heads * info_.di_sectors);
        }
    }
    ~DiskDevice() override { ::close(fd_); }

    bool ioctl(uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
               uint32_t& returned, uint32_t& error) override {
        returned = 0;
        Machine::current().counters()["DISK_IOCTL " + std::to_string(code)]++;
        if (code == ce::DISK_IOCTL_GETINFO)
            return getInfo(in, inSize, out, outSize, returned, error);
        if (code == ce::DISK_IOCTL_READ)
            return read(in, inSize, error);
        error = ce::ERROR_NOT_SUPPORTED;
        return false;
    }

  private:
    bool getInfo(void* in, uint32_t inSize, void* out, uint32_t outSize, uint32_t& returned,
                 uint32_t& error) {
        // The record may come as the input or as the output buffer.
        void* to = in && inSize >= sizeof info_     ? in
                   : out && outSize >= sizeof info_ ? out
                                                    : nullptr;
        if (!to)
            return error = ce::ERROR_INVALID_PARAMETER, false;
        std::memcpy(to, &info_, sizeof info_);
        returned = sizeof info_;
        return true;
    }

    // A request the driver cannot take fails the call; a request for sectors
    // the disk does not have is answered in its status.
    bool read(void* in, uint32_t inSize, uint32_t& error) {
        if (!in || inSize < sizeof(ce::SG_REQ))
            return error = ce::ERROR_INVALID_PARAMETER, false;
        auto* request = static_cast<ce::SG_REQ*>(in);
        uint64_t buffers = request->sr_num_sg;
        if (buffers == 0 ||
            buffers > (inSize - offsetof(ce::SG_REQ, sr_sglist)) / sizeof(ce::SG_BUF))
            return error = ce::ERROR_INVALID_PARAMETER, false;
        uint64_t room = 0;
        for (uint64_t i = 0; i < buffers; ++i) {
            const ce::SG_BUF& b = request->sr_sglist[i];
            if (!b.sb_buf && b.sb_len)
                return error = ce::ERROR_INVALID_PARAMETER, false;
            room += b.sb_len;
        }
        uint64_t bytes = uint64_t(request->sr_num_sec) * info_.di_bytes_per_sect;
        if (room < bytes)
            return error = ce::ERROR_INVALID_PARAMETER, false;
        uint64_t first = request->sr_start, end = first + request->sr_num_sec;
        if (end > info_.di_total_sectors) {
            request->sr_status = ce::ERROR_SECTOR_NOT_FOUND;
            return true;
        }
        if (badSector_ >= 0 && uint64_t(badSector_) >= first && uint64_t(badSector_) < end)
            return error = ce::ERROR_READ_FAULT, false;
        uint64_t at = first * info_.di_bytes_per_sect;
        for (uint64_t i = 0; i < buffers && bytes > 0; ++i) {
            const ce::SG_BUF& b = request->sr_sglist[i];
            uint64_t n = b.sb_len < bytes ? b.sb_len : bytes;
            if (!readAt(b.sb_buf, n, at)) {
                request->sr_status = ce::ERROR_READ_FAULT;
                return true;
            }
            at += n;
            bytes -= n;
        }
        request->sr_status = 0;
        return true;
    }

    bool readAt(uint8_t* to, uint64_t n, uint64_t at) {
        while (n > 0) {
            ssize_t r = ::pread(fd_, to, n, off_t(at));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return false;
            to += r;
            at += uint64_t(r);
            n -= uint64_t(r);
        }
        return true;
    }

    int fd_;
    ce::DISK_INFO info_{0, 512, 0, 16, 63, ce::DISK_INFO_FLAG_MBR};
    int64_t badSector_ = -1;
};

}  // namespace

std::unique_ptr<HandleObject> openDisk(const std::string& name, uint32_t, uint32_t& error) {
    std::string unit = name.substr(0, name.size() - 1);  // "DSK1"
    std::filesystem::path image = Machine::current().deviceDir() / "disks" / (unit + ".img");
    int fd = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = ce::ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    return std::make_unique<DiskDevice>(fd, unit, Machine::current().profile());
}

}  // namespace host
