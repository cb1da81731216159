// How every byte of the kernel and of the file-system image is read: one file
// at a time, through nine operations that every backend implements.
#pragma once

#include <cstdint>

#include "platform/NotFound.h"
#include "platform/ce/CeTypes.h"

class Console;

class FileManager {
  public:
    static constexpr uint32_t kCurrentPosition = 0xFFFFFFFF;  // offset: where the last read ended
    static constexpr uint32_t kOpenMode = 3;  // the mode the boot opens with; backends ignore it

    // Backend kinds, chosen from the directory.
    enum Kind : uint32_t { kLocal = 0, kUfs = 1, kHttp = 2 };
    // The kind for a directory: kHttp when it contains "http://" (letter case
    // counts), else kUfs when it contains a '/', else kLocal.
    static uint32_t kindFor(const ce::WCHAR* directory);

    // The creation operation: a GzipFileManager owning the backend for `kind`;
    // null when either cannot be made.
    static FileManager* create(Console*& console, uint32_t kind);

    explicit FileManager(Console*& console) : console(console) {}
    virtual ~FileManager() = default;
    virtual bool setRoot(const ce::WCHAR* directory) = 0;
    virtual bool open(const ce::WCHAR* name, uint32_t mode) = 0;
    virtual uint32_t size() = 0;
    // The size of the whole content; kNotFound when it cannot be known.
    virtual uint32_t realSize() { return size(); }
    virtual uint32_t close() = 0;
    virtual int32_t read(void* destination, uint32_t count, uint32_t offset) = 0;
    virtual int32_t write(const void* source, uint32_t count, uint32_t offset) = 0;
    virtual bool seek(uint32_t offset) = 0;

    // Converts a name to 8-bit text in the system code page; false after a
    // message when it does not fit `capacity` bytes or does not convert.
    bool toAscii(char* destination, const ce::WCHAR* source, uint32_t capacity);

  protected:
    // The slot that holds the console: messages go to whatever console it
    // holds when they are printed.
    Console*& console;

  public:
    int32_t debugLevel = 0;

  protected:
    char asciiPath[ce::MAX_PATH] = {};
};
