#include "loader/ElfLoader.h"

#include <cstring>

#include "console/BoxOwner.h"
#include "console/Console.h"
#include "file/FileManager.h"
#include "memory/MemoryManager.h"
#include "platform/Align.h"
#include "platform/Allocate.h"
#include "platform/ce/CeWindow.h"

namespace {

constexpr uint32_t kHeaderBytes = sizeof(Elf32_Ehdr);
constexpr uint32_t kSectionHeaderBytes = sizeof(Elf32_Shdr);
constexpr uint32_t kProgramHeaderBytes = sizeof(Elf32_Phdr);
constexpr uint32_t kMaxProgramHeaders = 16;
constexpr uint64_t kAddressLimit = 0x100000000ULL;

}  // namespace

ElfLoader::ElfLoader(Console*& console, MemoryManager*& memoryManager)
    : Loader(console, memoryManager) {
    console->print(TEXT("Loader: ELF\n"));
}

ElfLoader::~ElfLoader() = default;

bool ElfLoader::checkHeader() {
    header = Elf32_Ehdr{};
    // A file shorter than the header cannot be an ELF file.
    if (file->read(&header, kHeaderBytes, 0) != int32_t(kHeaderBytes) ||
        std::memcmp(header.e_ident, elf::kMagic, sizeof(elf::kMagic)) != 0) {
        console->print(TEXT("not a ELF file.\n"));
        return false;
    }
    if (header.e_ident[elf::kDataIndex] != elf::kLittleEndian ||
        header.e_ident[elf::kClassIndex] != elf::kClass32) {
        console->print(TEXT("invalid class/data(%d/%d)\n"), header.e_ident[elf::kClassIndex],
                       header.e_ident[elf::kDataIndex]);
        return false;
    }
    if (header.e_machine != elf::kMachineArm) {
        console->print(TEXT("not a native architecture. machine = %d\n"), header.e_machine);
        return false;
    }
    if (header.e_type != elf::kTypeExecutable) {
        console->print(TEXT("not a executable file. type = %d\n"), header.e_type);
        return false;
    }
    if (header.e_phoff == 0 || header.e_phnum == 0 || header.e_phnum > kMaxProgramHeaders ||
        header.e_phentsize != kProgramHeaderBytes) {
        console->print(TEXT("invalid program header information.\n"));
        return false;
    }
    return true;
}

bool ElfLoader::readSectionHeaders() {
    // Section headers only serve the symbol block. A table of records that
    // are not Elf32_Shdr, or whose name table index lies outside it, is not
    // read: such a kernel loads without symbols.
    if (header.e_shnum == 0 || header.e_shentsize != kSectionHeaderBytes ||
        header.e_shstrndx >= header.e_shnum)
        return true;
    return readTable(sectionHeaders, header.e_shnum, header.e_shoff, TEXT("section header"));
}

bool ElfLoader::readProgramHeaders() {
    return readTable(programHeaders, header.e_phnum, header.e_phoff, TEXT("program header"));
}

template <typename Record>
bool ElfLoader::readTable(std::unique_ptr<Record[]>& table, uint32_t count, uint32_t offset,
                          const ce::WCHAR* what) {
    uint32_t bytes = uint32_t(sizeof(Record)) * count;
    table = allocateArray<Record>(count);
    if (!table) {
        console->print(TEXT("can't allocate %s table.\n"), what);
        return false;
    }
    if (file->read(table.get(), bytes, offset) != int32_t(bytes)) {
        console->print(TEXT("%s read error.\n"), what);
        return false;
    }
    return true;
}

bool ElfLoader::setFile(FileManager*& file) {
    Loader::setFile(file);
    // A second attach starts from scratch.
    sectionHeaders.reset();
    programHeaders.reset();
    discardSymbols();
    clearPlan();
    return checkHeader() && readSectionHeaders() && readProgramHeaders() && checkSegments();
}

// Segments the second-stage loader could not place as the file says: none
// at all (the chain would never end), file bytes beyond the memory size (the
// symbol block would land inside them), a range past 4 GiB.
bool ElfLoader::checkSegments() {
    int loadable = 0;
    for (int i = 0; i < programCount(); ++i) {
        const Elf32_Phdr& ph = programHeader(i);
        if (ph.p_type != elf::kLoadable)
            continue;
        ++loadable;
        if (ph.p_filesz > ph.p_memsz) {
            console->print(TEXT("seg[%d] file size 0x%x is larger than its mem size 0x%x.\n"), i,
                           ph.p_filesz, ph.p_memsz);
            return false;
        }
        if (uint64_t(ph.p_paddr) + alignUp(ph.p_memsz, 4) > kAddressLimit) {
            console->print(TEXT("seg[%d] 0x%08x+0x%x runs past 4 GiB.\n"), i, ph.p_paddr,
                           ph.p_memsz);
            return false;
        }
    }
    if (loadable == 0) {
        console->print(TEXT("no loadable segment.\n"));
        return false;
    }
    return true;
}

uint32_t ElfLoader::symbolAddress() const {
    uint32_t end = 0;
    for (int i = 0; i < programCount(); ++i) {
        const Elf32_Phdr& ph = programHeader(i);
        if (ph.p_type == elf::kLoadable)
            end = ph.p_paddr + uint32_t(alignUp(ph.p_memsz, 4));
    }
    return end;
}

void ElfLoader::planRegions() {
    clearPlan();
    for (int i = 0; i < programCount(); ++i) {
        const Elf32_Phdr& ph = programHeader(i);
        if (ph.p_type == elf::kLoadable)
            planRegion(ph.p_paddr, ph.p_memsz);
    }
    if (!symbolsPresent_)
        return;
    uint32_t at = symbolAddress();
    uint32_t symtabBytes = symtabHeader->sh_size, strtabBytes = strtabHeader->sh_size;
    planRegion(at, symbolBlockSize);
    planRegion(at + symbolBlockSize, symtabBytes);
    planRegion(at + symbolBlockSize + uint32_t(alignUp(symtabBytes, 4)), strtabBytes);
}

uint32_t ElfLoader::memorySize() {
    uint32_t page = memoryManager->getPageSize();
    uint32_t payload = memoryManager->payloadSize();
    console->print(TEXT("file size: "));
    uint64_t total = 0, extra = 0;
    for (int i = 0; i < programCount(); ++i) {
        const Elf32_Phdr& ph = programHeader(i);
        if (ph.p_type != elf::kLoadable)
            continue;
        console->print(TEXT("%s0x%x"), total == 0 ? TEXT("") : TEXT("+"), ph.p_filesz);
        total += alignUp(ph.p_filesz, page);
        extra += payload;
        if (ph.p_filesz < ph.p_memsz)
            extra += payload;
    }
    uint32_t symbols = prepareSymbols();
    if (symbols != 0) {
        total += symbols;
        console->print(TEXT(" = 0x%x]"), symbols);
        extra += 2 * payload;
    }
    total += extra;
    // Sizes from the file can add up past 4 GiB; the answer then stays at a
    // size no reservation can give instead of wrapping to a small one.
    uint32_t answer =
        total > kAddressLimit - page ? uint32_t(kAddressLimit - page) : uint32_t(total);
    console->print(TEXT("+[extra: 0x%x]"), uint32_t(extra));
    console->print(TEXT(" = 0x%x bytes\n"), answer);
    planRegions();
    return answer;
}

void ElfLoader::discardSymbols() {
    symbolBlock.reset();
    symbolBlockSize = 0;
    symbolsPresent_ = false;
    strtabHeader = symtabHeader = nullptr;
    strtabOffset = symtabOffset = 0;
}

uint32_t ElfLoader::withoutSymbols() {
    if (safetyMessage) {
        BoxOwner::show(boxOwner, TEXT("No symbol and/or string table in binary.\n(not fatal)"),
                       TEXT("Information"), ce::MB_OK | ce::MB_ICONINFORMATION);
    }
    discardSymbols();
    return 0;
}

bool ElfLoader::insideFile(uint32_t offset, uint32_t size) const {
    return uint64_t(offset) + size <= fileBytes;
}

bool ElfLoader::sectionNamed(const Elf32_Shdr& section, const char* name,
                             uint32_t namesSize) const {
    // The name and its terminator must lie inside the section-name table.
    uint64_t length = std::strlen(name) + 1;
    if (uint64_t(section.sh_name) + length > namesSize)
        return false;
    const char* names = reinterpret_cast<const char*>(symbolBlock.get() + kHeaderBytes +
                                                      header.e_shnum * kSectionHeaderBytes);
    return std::memcmp(names + section.sh_name, name, length) == 0;
}

void ElfLoader::findSymbolSections(uint32_t namesSize) {
    uint32_t tableBytes = header.e_shnum * kSectionHeaderBytes;
    Elf32_Shdr* copies = reinterpret_cast<Elf32_Shdr*>(symbolBlock.get() + kHeaderBytes);
    for (int i = 0; i < header.e_shnum; ++i) {
        Elf32_Shdr& section = copies[i];
        if (sectionNamed(section, ".strtab", namesSize)) {
            strtabHeader = &section;
            strtabOffset = section.sh_offset;
        } else if (sectionNamed(section, ".symtab", namesSize)) {
            symtabHeader = &section;
            symtabOffset = section.sh_offset;
        }
        section.sh_offset = i == header.e_shstrndx ? kHeaderBytes + tableBytes : 0;
    }
}

bool ElfLoader::buildSymbolBlock(const Elf32_Shdr& names, uint32_t tableBytes,
                                 uint32_t namesBytes) {
    symbolBlock = allocateArray<uint8_t>(symbolBlockSize);
    if (!symbolBlock)
        return false;
    std::memset(symbolBlock.get(), 0, symbolBlockSize);
    Elf32_Ehdr trimmed = header;
    trimmed.e_phoff = 0;
    trimmed.e_phnum = 0;
    trimmed.e_entry = 0;
    trimmed.e_shoff = kHeaderBytes;
    std::memcpy(symbolBlock.get(), &trimmed, kHeaderBytes);
    std::memcpy(symbolBlock.get() + kHeaderBytes, sectionHeaders.get(), tableBytes);
    // The rounded length takes up to three bytes past the table from the
    // file; where the file ends first they stay zero.
    file->read(symbolBlock.get() + kHeaderBytes + tableBytes, namesBytes, names.sh_offset);
    return true;
}

uint32_t ElfLoader::prepareSymbols() {
    discardSymbols();
    if (!sectionHeaders)
        return withoutSymbols();
    // Taken once: a compressed file is decoded to its end to learn it.
    fileBytes = file->realSize();
    const Elf32_Shdr names = sectionHeaders[header.e_shstrndx];
    if (!insideFile(names.sh_offset, names.sh_size))
        return withoutSymbols();
    uint32_t tableBytes = header.e_shnum * kSectionHeaderBytes;
    uint64_t namesBytes = alignUp(names.sh_size, 4);
    uint64_t blockBytes = kHeaderBytes + tableBytes + namesBytes;
    if (blockBytes >= kAddressLimit)
        return withoutSymbols();
    symbolBlockSize = uint32_t(blockBytes);
    if (!buildSymbolBlock(names, tableBytes, uint32_t(namesBytes))) {
        symbolBlockSize = 0;
        BoxOwner::show(boxOwner, TEXT("Can't determine symbol block size."), TEXT("WARNING"),
                       ce::MB_OK | ce::MB_ICONEXCLAMATION);
        return 0;
    }
    findSymbolSections(names.sh_size);
    if (!strtabHeader || !symtabHeader || !insideFile(symtabOffset, symtabHeader->sh_size) ||
        !insideFile(strtabOffset, strtabHeader->sh_size))
        return withoutSymbols();
    uint32_t symtabBytes = symtabHeader->sh_size, strtabBytes = strtabHeader->sh_size;
    uint64_t total = blockBytes + alignUp(symtabBytes, 4) + strtabBytes;
    if (total >= kAddressLimit)
        return withoutSymbols();
    symtabHeader->sh_offset = symbolBlockSize;
    strtabHeader->sh_offset = uint32_t(symbolBlockSize + alignUp(symtabBytes, 4));
    symbolsPresent_ = true;
    console->print(TEXT("+[ksyms: header 0x%x, symtab 0x%x, strtab 0x%x"), symbolBlockSize,
                   symtabBytes, strtabBytes);
    return uint32_t(total);
}

void ElfLoader::loadSymbols(uint32_t destination) {
    if (!symbolsPresent_)
        return;
    console->print(TEXT("ksyms\n"));
    uint32_t symtabBytes = symtabHeader->sh_size, strtabBytes = strtabHeader->sh_size;
    addLoadLinkFromMemory(destination, symbolBlockSize, symbolBlock.get());
    addLoadLink(destination + symbolBlockSize, symtabBytes, symtabOffset, symtabBytes);
    addLoadLink(destination + symbolBlockSize + uint32_t(alignUp(symtabBytes, 4)), strtabBytes,
                strtabOffset, strtabBytes);
}

bool ElfLoader::load() {
    initLinks();
    for (int i = 0; i < programCount(); ++i) {
        const Elf32_Phdr& ph = programHeader(i);
        if (ph.p_type != elf::kLoadable)
            continue;
        console->print(TEXT("seg[%d] paddr 0x%08x file size 0x%x mem size 0x%x\n"), i, ph.p_paddr,
                       ph.p_filesz, ph.p_memsz);
        addLoadLink(ph.p_paddr, ph.p_memsz, ph.p_offset, ph.p_filesz);
    }
    loadSymbols(symbolAddress());
    return isOk();
}

uint32_t ElfLoader::jumpAddr() {
    console->print(TEXT("kernel entry address: 0x%08x\n"), header.e_entry);
    return header.e_entry;
}
