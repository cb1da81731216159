// The loader reserved for COFF kernels with an a.out optional header. It is
// not implemented: attaching a file always fails with a message.
#pragma once

#include "loader/Loader.h"

class CoffLoader : public Loader {
  public:
    struct FileHeader {
        uint16_t f_magic;
        uint16_t f_nscns;
        uint32_t f_timdat;
        uint32_t f_symptr;
        uint32_t f_nsyms;
        uint16_t f_opthdr;
        uint16_t f_flags;
    };
    struct OptionalHeader {
        int16_t magic;
        int16_t vstamp;
        uint32_t tsize;
        uint32_t dsize;
        uint32_t bsize;
        uint32_t entry;
        uint32_t text_start;
        uint32_t data_start;
    };

    // Prints "Loader: COFF".
    CoffLoader(Console*& console, MemoryManager*& memoryManager);

    // Stores the file, prints "coff loader not implemented." and fails.
    bool setFile(FileManager*& file) override;
    // The headers are never read from the file, so the three operations
    // below work on zeroed headers.
    uint32_t memorySize() override;
    bool load() override;
    uint32_t jumpAddr() override;

  private:
    // The file offset of the text: the headers and section table, rounded
    // as the optional header's version stamp asks.
    uint32_t textOffset() const;

    FileHeader fileHeaderStorage{};
    OptionalHeader optionalHeaderStorage{};
    FileHeader* fileHeader = &fileHeaderStorage;
    OptionalHeader* optionalHeader = &optionalHeaderStorage;
};

static_assert(sizeof(CoffLoader::FileHeader) == 20);
static_assert(sizeof(CoffLoader::OptionalHeader) == 28);
