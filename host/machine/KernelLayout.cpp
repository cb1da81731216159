#include "machine/KernelLayout.h"

#include <elf.h>

#include <cstdio>
#include <cstring>

#include "machine/PhysicalImage.h"

namespace host {
namespace {

constexpr uint32_t kLargestSegment = 0x10000000;  // 256 MiB

uint32_t roundUp4(uint32_t x) {
    return (x + 3) & ~3u;
}

template <class T>
bool readRecord(const std::string& file, uint64_t offset, T& out) {
    if (offset + sizeof(T) > file.size())
        return false;
    std::memcpy(&out, file.data() + offset, sizeof(T));
    return true;
}

// Bytes [offset, offset + length) of the file, zero where it has none.
std::vector<uint8_t> slice(const std::string& file, uint64_t offset, uint64_t length) {
    std::vector<uint8_t> out(length, 0);
    for (uint64_t i = 0; i < length && offset + i < file.size(); ++i)
        out[i] = file[offset + i];
    return out;
}

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08x", value);
    return text;
}

}  // namespace

void KernelLayout::add(const std::string& what, uint32_t address, std::vector<uint8_t> bytes) {
    if (!bytes.empty())
        pieces_.push_back(Piece{what, address, std::move(bytes)});
}

bool KernelLayout::fromElf(const std::string& file, KernelLayout& out, std::string& error) {
    Elf32_Ehdr eh;
    if (!readRecord(file, 0, eh) || std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0) {
        error = "not an ELF file";
        return false;
    }
    if (eh.e_ident[EI_CLASS] != ELFCLASS32 || eh.e_ident[EI_DATA] != ELFDATA2LSB ||
        eh.e_machine != EM_ARM || eh.e_type != ET_EXEC || eh.e_phentsize != sizeof(Elf32_Phdr)) {
        error = "not a 32-bit little-endian ARM executable";
        return false;
    }
    KernelLayout layout;
    layout.entry_ = eh.e_entry;
    uint32_t end = 0;
    for (int i = 0; i < eh.e_phnum; ++i) {
        Elf32_Phdr ph;
        if (!readRecord(file, eh.e_phoff + uint64_t(i) * sizeof(ph), ph)) {
            error = "program header " + std::to_string(i) + " lies past the end of the file";
            return false;
        }
        if (ph.p_type != PT_LOAD)
            continue;
        if (ph.p_memsz > kLargestSegment || ph.p_filesz > kLargestSegment) {
            error = "segment " + std::to_string(i) + " is larger than any handheld's RAM";
            return false;
        }
        std::string name = "seg[" + std::to_string(i) + "]";
        layout.add(name, ph.p_paddr, slice(file, ph.p_offset, ph.p_filesz));
        if (ph.p_memsz > ph.p_filesz) {
            layout.add(name + " zero", ph.p_paddr + ph.p_filesz,
                       std::vector<uint8_t>(ph.p_memsz - ph.p_filesz, 0));
        }
        layout.nextFree_ = ph.p_paddr + ph.p_memsz;
        end = ph.p_paddr + roundUp4(ph.p_memsz);
    }
    layout.symbolAddress_ = end;
    layout.addSymbols(file, end);
    out = std::move(layout);
    return true;
}

bool KernelLayout::addSymbols(const std::string& file, uint32_t address) {
    Elf32_Ehdr eh;
    readRecord(file, 0, eh);
    if (eh.e_shentsize != sizeof(Elf32_Shdr) || eh.e_shstrndx >= eh.e_shnum)
        return false;
    std::vector<Elf32_Shdr> sections(eh.e_shnum);
    for (int i = 0; i < eh.e_shnum; ++i) {
        if (!readRecord(file, eh.e_shoff + uint64_t(i) * sizeof(Elf32_Shdr), sections[i]))
            return false;
    }
    const Elf32_Shdr names = sections[eh.e_shstrndx];
    if (uint64_t(names.sh_offset) + names.sh_size > file.size())
        return false;
    // A name counts only with its terminator inside the name table.
    auto nameOf = [&](const Elf32_Shdr& s) -> std::string {
        if (s.sh_name >= names.sh_size)
            return "";
        const char* p = file.data() + names.sh_offset + s.sh_name;
        size_t length = strnlen(p, names.sh_size - s.sh_name);
        return length < names.sh_size - s.sh_name ? std::string(p, length) : "";
    };
    auto inFile = [&](const Elf32_Shdr& s) {
        return uint64_t(s.sh_offset) + s.sh_size <= file.size();
    };
    int symtab = -1, strtab = -1;
    for (int i = 0; i < eh.e_shnum; ++i) {
        if (nameOf(sections[i]) == ".symtab")
            symtab = i;
        if (nameOf(sections[i]) == ".strtab")
            strtab = i;
    }
    if (symtab < 0 || strtab < 0 || !inFile(sections[symtab]) || !inFile(sections[strtab]))
        return false;
    uint32_t S = uint32_t(eh.e_shnum) * sizeof(Elf32_Shdr);
    uint32_t N = roundUp4(names.sh_size);
    uint32_t B = sizeof(Elf32_Ehdr) + S + N;
    uint32_t Y = sections[symtab].sh_size, Z = sections[strtab].sh_size;

    Elf32_Ehdr trimmed = eh;
    trimmed.e_entry = 0;
    trimmed.e_phoff = 0;
    trimmed.e_phnum = 0;
    trimmed.e_shoff = sizeof(Elf32_Ehdr);
    std::vector<uint8_t> block(B, 0);
    std::memcpy(block.data(), &trimmed, sizeof(trimmed));
    for (int i = 0; i < eh.e_shnum; ++i) {
        Elf32_Shdr copy = sections[i];
        copy.sh_offset = i == eh.e_shstrndx ? sizeof(Elf32_Ehdr) + S
                         : i == symtab      ? B
                         : i == strtab      ? B + roundUp4(Y)
                                            : 0;
        std::memcpy(block.data() + sizeof(Elf32_Ehdr) + i * sizeof(Elf32_Shdr), &copy,
                    sizeof(copy));
    }
    std::vector<uint8_t> strings = slice(file, names.sh_offset, N);
    std::memcpy(block.data() + sizeof(Elf32_Ehdr) + S, strings.data(), N);

    add("ksyms header", address, std::move(block));
    add("ksyms .symtab", address + B, slice(file, sections[symtab].sh_offset, Y));
    add("ksyms .strtab", address + B + roundUp4(Y), slice(file, sections[strtab].sh_offset, Z));
    hasSymbols_ = true;
    nextFree_ = address + B + roundUp4(Y) + Z;
    return true;
}

void KernelLayout::addImage(const std::string& image) {
    uint32_t at = (nextFree_ + 4095) & ~4095u;
    add("file system image", at, std::vector<uint8_t>(image.begin(), image.end()));
    nextFree_ = at + uint32_t(image.size());
}

std::vector<std::string> KernelLayout::compare(const PhysicalImage& image, bool pxa) const {
    std::vector<std::string> problems;
    for (const Piece& piece : pieces_) {
        uint32_t at = pxa ? (piece.address & 0x00FFFFFF) | 0xA0000000 : piece.address;
        const uint8_t* held = image.at(at, uint32_t(piece.bytes.size()));
        if (!held) {
            problems.push_back(piece.what + ": " + hex(at) + " is not in RAM");
            continue;
        }
        for (size_t i = 0; i < piece.bytes.size(); ++i) {
            if (held[i] == piece.bytes[i])
                continue;
            problems.push_back(piece.what + ": first difference at " + hex(at + uint32_t(i)));
            break;
        }
    }
    return problems;
}

uint64_t KernelLayout::byteCount() const {
    uint64_t total = 0;
    for (const Piece& p : pieces_)
        total += p.bytes.size();
    return total;
}

}  // namespace host
