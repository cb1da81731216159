// The ELF records the loader reads and writes, 32-bit little-endian, as they
// lie in the file. Both the handheld and the simulation are little-endian
// machines, so a record is read by copying its bytes.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little);

namespace elf {

constexpr uint8_t kMagic[4] = {0x7F, 'E', 'L', 'F'};
constexpr int kClassIndex = 4;  // EI_CLASS
constexpr int kDataIndex = 5;   // EI_DATA
constexpr uint8_t kClass32 = 1;
constexpr uint8_t kLittleEndian = 1;
constexpr uint16_t kMachineArm = 40;
constexpr uint16_t kTypeExecutable = 2;
constexpr uint32_t kLoadable = 1;  // PT_LOAD

}  // namespace elf

struct Elf32_Ehdr {
    uint8_t e_ident[16];
    uint16_t e_type;
    uint16_t e_machine;
    uint32_t e_version;
    uint32_t e_entry;
    uint32_t e_phoff;
    uint32_t e_shoff;
    uint32_t e_flags;
    uint16_t e_ehsize;
    uint16_t e_phentsize;
    uint16_t e_phnum;
    uint16_t e_shentsize;
    uint16_t e_shnum;
    uint16_t e_shstrndx;
};
static_assert(sizeof(Elf32_Ehdr) == 52);
static_assert(offsetof(Elf32_Ehdr, e_type) == 16 && offsetof(Elf32_Ehdr, e_entry) == 24 &&
              offsetof(Elf32_Ehdr, e_phoff) == 28 && offsetof(Elf32_Ehdr, e_shoff) == 32 &&
              offsetof(Elf32_Ehdr, e_phentsize) == 42 && offsetof(Elf32_Ehdr, e_phnum) == 44 &&
              offsetof(Elf32_Ehdr, e_shentsize) == 46 && offsetof(Elf32_Ehdr, e_shstrndx) == 50);

struct Elf32_Phdr {
    uint32_t p_type;
    uint32_t p_offset;
    uint32_t p_vaddr;
    uint32_t p_paddr;
    uint32_t p_filesz;
    uint32_t p_memsz;
    uint32_t p_flags;
    uint32_t p_align;
};
static_assert(sizeof(Elf32_Phdr) == 32);
static_assert(offsetof(Elf32_Phdr, p_paddr) == 12 && offsetof(Elf32_Phdr, p_memsz) == 20);

struct Elf32_Shdr {
    uint32_t sh_name;
    uint32_t sh_type;
    uint32_t sh_flags;
    uint32_t sh_addr;
    uint32_t sh_offset;
    uint32_t sh_size;
    uint32_t sh_link;
    uint32_t sh_info;
    uint32_t sh_addralign;
    uint32_t sh_entsize;
};
static_assert(sizeof(Elf32_Shdr) == 40);
static_assert(offsetof(Elf32_Shdr, sh_offset) == 16 && offsetof(Elf32_Shdr, sh_size) == 20);
