#include "loader/CoffLoader.h"

#include "console/Console.h"
#include "platform/Align.h"

namespace {

constexpr uint32_t kFileHeaderBytes = 20;
constexpr uint32_t kSectionHeaderBytes = 40;
constexpr int16_t kAlign16Stamp = 23;  // version stamps from here on align text to 16

}  // namespace

CoffLoader::CoffLoader(Console*& console, MemoryManager*& memoryManager)
    : Loader(console, memoryManager) {
    console->print(TEXT("Loader: COFF\n"));
}

bool CoffLoader::setFile(FileManager*& file) {
    Loader::setFile(file);
    console->print(TEXT("coff loader not implemented.\n"));
    return false;
}

uint32_t CoffLoader::memorySize() {
    uint32_t text = optionalHeader->tsize, data = optionalHeader->dsize;
    console->print(TEXT("file size: text 0x%x + data 0x%x = 0x%x byte\n"), text, data, text + data);
    return text + data;
}

uint32_t CoffLoader::textOffset() const {
    uint32_t offset =
        kFileHeaderBytes + fileHeader->f_opthdr + kSectionHeaderBytes * fileHeader->f_nscns;
    offset = uint32_t(alignUp(offset, optionalHeader->vstamp < kAlign16Stamp ? 8 : 16));
    return uint32_t(alignUp(offset, 16));
}

bool CoffLoader::load() {
    initLinks();
    const OptionalHeader& a = *optionalHeader;
    uint32_t text = textOffset();
    console->print(TEXT("[text]"));
    addLoadLink(a.text_start, a.tsize, text, a.tsize);
    console->print(TEXT("[data]"));
    addLoadLink(a.data_start, a.dsize, text + a.tsize, a.dsize);
    console->print(TEXT("[bss ]"));
    addLoadLink(a.data_start + a.dsize, a.bsize, 0, 0);
    return isOk();
}

uint32_t CoffLoader::jumpAddr() {
    console->print(TEXT("kernel entry address: 0x%08x\n"), optionalHeader->entry);
    return optionalHeader->entry;
}
