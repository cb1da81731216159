// What an ELF kernel file says physical memory must hold after the boot:
// every PT_LOAD segment's file bytes at p_paddr and zeros up to p_memsz, then
// the kernel symbol block right behind the last segment of the table (the
// trimmed ELF header, the section headers with rewritten offsets, the
// section-name strings, .symtab and .strtab), and optionally a file-system
// image at the next 4096-byte boundary. Worked out from the file alone, so
// that a placed image can be checked against it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

class PhysicalImage;

class KernelLayout {
  public:
    struct Piece {
        std::string what;  // "seg[0]", "seg[1] zero", "ksyms header", ...
        uint32_t address;
        std::vector<uint8_t> bytes;
    };

    // False with a reason when the file is not a loadable ELF kernel.
    static bool fromElf(const std::string& file, KernelLayout& out, std::string& error);

    // Appends the file-system image behind the kernel.
    void addImage(const std::string& image);

    const std::vector<Piece>& pieces() const { return pieces_; }
    bool hasSymbols() const { return hasSymbols_; }
    uint32_t symbolAddress() const { return symbolAddress_; }
    uint32_t entry() const { return entry_; }
    // Where the loader puts the next region: just past the last one.
    uint32_t nextFree() const { return nextFree_; }

    // One line per piece that the image does not hold exactly, naming the
    // first differing address. `pxa`: destinations as a PXA-2x0 walk
    // rewrites them (top 8 bits 0xA0).
    std::vector<std::string> compare(const PhysicalImage& image, bool pxa) const;
    // Bytes the pieces cover.
    uint64_t byteCount() const;

  private:
    bool addSymbols(const std::string& file, uint32_t address);
    void add(const std::string& what, uint32_t address, std::vector<uint8_t> bytes);

    std::vector<Piece> pieces_;
    bool hasSymbols_ = false;
    uint32_t symbolAddress_ = 0;
    uint32_t entry_ = 0;
    uint32_t nextFree_ = 0;
};

}  // namespace host
