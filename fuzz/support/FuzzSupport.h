// What fuzz targets share: a console that formats and drops the text, a
// simulated handheld opened once per process (for targets whose code reaches
// the Windows CE services), and a file manager over the input bytes.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "console/Console.h"
#include "file/FileManager.h"
#include "machine/Machine.h"

namespace fuzz_support {

// Formats every message (formatting is part of what is under test) and
// forgets it.
class QuietConsole : public Console {
  public:
    void print(const ce::WCHAR* format, ...) override {
        va_list args;
        va_start(args, format);
        this->format(format, args);
        va_end(args);
    }
};

// Opens a scratch jornada720 handheld once and keeps it for the process;
// message boxes and COM1 go nowhere.
inline host::Machine& machine() {
    static std::ostringstream sink;
    if (!host::Machine::active()) {
        std::filesystem::path dir = std::filesystem::temp_directory_path() / "kestrel-fuzz-device";
        std::filesystem::create_directories(dir / "root");
        host::MachineProfile profile;
        host::MachineProfile::builtin("jornada720", profile);
        profile.com1 = "none";
        host::Machine::openWith(dir, profile);
        host::Machine::current().setOut(&sink);
    }
    // Keep what the boxes record from growing without end.
    host::Machine::current().messageBoxes().clear();
    sink.str(std::string());
    return host::Machine::current();
}

// One open file whose content is the fuzz input; reads past the end give
// the bytes that exist, as a short file would.
class BytesFile : public FileManager {
  public:
    BytesFile(Console*& console, const uint8_t* data, size_t size)
        : FileManager(console), data_(data), size_(size) {}

    bool setRoot(const ce::WCHAR*) override { return true; }
    bool open(const ce::WCHAR*, uint32_t) override { return open_ = true; }
    uint32_t size() override { return uint32_t(size_); }
    uint32_t realSize() override { return uint32_t(size_); }
    uint32_t close() override {
        open_ = false;
        return 1;
    }
    int32_t read(void* destination, uint32_t count, uint32_t offset) override {
        if (offset == kCurrentPosition)
            offset = position_;
        if (!open_ || offset >= size_)
            return 0;
        size_t n = count < size_ - offset ? count : size_ - offset;
        std::memcpy(destination, data_ + offset, n);
        position_ = uint32_t(offset + n);
        return int32_t(n);
    }
    int32_t write(const void*, uint32_t, uint32_t) override { return -1; }
    bool seek(uint32_t offset) override {
        if (offset > size_)
            return false;
        position_ = offset;
        return true;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    bool open_ = true;
    uint32_t position_ = 0;
};

}  // namespace fuzz_support
