// The loader for ELF kernels (32-bit little-endian ARM executables): every
// PT_LOAD segment at its physical address, then the kernel symbol block
// (a trimmed ELF header, the section headers, the section-name strings,
// .symtab and .strtab) right behind the last segment of the table.
#pragma once

#include <memory>

#include "loader/ElfRecords.h"
#include "loader/Loader.h"
#include "platform/ce/CeTypes.h"

class ElfLoader : public Loader {
  public:
    // Prints "Loader: ELF".
    ElfLoader(Console*& console, MemoryManager*& memoryManager);
    ~ElfLoader() override;

    // Attaches the file, checks its header and reads the section and program
    // header tables; false after the failing check's message.
    bool setFile(FileManager*& file) override;
    // The page storage the kernel needs, printed as one "file size:" line;
    // prepares the symbol block that load() places.
    uint32_t memorySize() override;
    // Links every PT_LOAD segment and the symbol block; false when pages ran
    // out or the file ended early.
    bool load() override;
    // Prints and returns e_entry.
    uint32_t jumpAddr() override;

    bool symbolsPresent() const { return symbolsPresent_; }

  private:
    bool checkHeader();
    bool readSectionHeaders();
    bool readProgramHeaders();
    // Reads `count` records from `offset` into a table of its own; false
    // after "can't allocate <what> table." or "<what> read error.".
    template <typename Record>
    bool readTable(std::unique_ptr<Record[]>& table, uint32_t count, uint32_t offset,
                   const ce::WCHAR* what);
    bool checkSegments();
    // Where the symbol block goes: behind the last PT_LOAD of the table.
    uint32_t symbolAddress() const;
    // Records the regions load() writes, for the placement.
    void planRegions();
    // Bytes the symbol data takes at its destination; 0 without symbols.
    uint32_t prepareSymbols();
    bool buildSymbolBlock(const Elf32_Shdr& names, uint32_t tableBytes, uint32_t namesBytes);
    void findSymbolSections(uint32_t namesSize);
    // Ends the preparation without symbols (the "Information" box when the
    // settings ask for safety messages).
    uint32_t withoutSymbols();
    void discardSymbols();
    void loadSymbols(uint32_t destination);
    bool sectionNamed(const Elf32_Shdr& section, const char* name, uint32_t namesSize) const;
    bool insideFile(uint32_t offset, uint32_t size) const;
    // Program headers that were read (none before a successful setFile).
    int programCount() const { return programHeaders ? header.e_phnum : 0; }
    const Elf32_Phdr& programHeader(int i) const { return programHeaders[i]; }

    Elf32_Ehdr header{};
    std::unique_ptr<Elf32_Phdr[]> programHeaders;
    std::unique_ptr<Elf32_Shdr[]> sectionHeaders;
    bool symbolsPresent_ = false;
    std::unique_ptr<uint8_t[]> symbolBlock;
    uint32_t symbolBlockSize = 0;
    Elf32_Shdr* strtabHeader = nullptr;
    uint32_t strtabOffset = 0;
    Elf32_Shdr* symtabHeader = nullptr;
    uint32_t symtabOffset = 0;
    uint32_t fileBytes = 0;  // the content's length, for the symbol checks
};
