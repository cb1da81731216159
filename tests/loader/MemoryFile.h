// A FileManager over bytes held in memory: files by name, read at any
// offset, the count actually available returned.
#pragma once

#include <cstring>
#include <map>
#include <string>

#include "file/FileManager.h"
#include "machine/Machine.h"

namespace testing_support {

class MemoryFile : public FileManager {
  public:
    explicit MemoryFile(Console*& console) : FileManager(console) {}
    void add(const std::u16string& name, std::string bytes) { files_[name] = std::move(bytes); }

    bool setRoot(const ce::WCHAR*) override { return true; }
    bool open(const ce::WCHAR* name, uint32_t) override {
        auto it = files_.find(name);
        if (it == files_.end())
            return false;
        open_ = &it->second;
        return true;
    }
    uint32_t size() override { return open_ ? uint32_t(open_->size()) : 0xFFFFFFFF; }
    uint32_t close() override {
        open_ = nullptr;
        return 1;
    }
    int32_t read(void* destination, uint32_t count, uint32_t offset) override {
        ++reads;
        if (!open_ || offset >= open_->size())
            return 0;
        size_t n = std::min<size_t>(count, open_->size() - offset);
        std::memcpy(destination, open_->data() + offset, n);
        return int32_t(n);
    }
    int32_t write(const void*, uint32_t, uint32_t) override { return -1; }
    bool seek(uint32_t) override { return true; }

    int reads = 0;

  private:
    std::map<std::u16string, std::string> files_;
    const std::string* open_ = nullptr;
};

}  // namespace testing_support
