#include "loader/Loader.h"

#include <cstring>

#include "console/Console.h"
#include "file/FileManager.h"
#include "memory/MemoryManager.h"
#include "memory/PageTag.h"

namespace {

constexpr uint32_t kImageAlignment = 4096;  // fixed, whatever the page size
constexpr uint32_t kHeaderProbeBytes = 52;

PageTag* tagAt(uint32_t virtualAddress) {
    return reinterpret_cast<PageTag*>(uintptr_t(virtualAddress));
}

uint8_t* pointer(uint32_t virtualAddress) {
    return reinterpret_cast<uint8_t*>(uintptr_t(virtualAddress));
}

}  // namespace

Loader::Loader(Console*& console, MemoryManager*& memoryManager)
    : console(console), memoryManager(memoryManager) {}

bool Loader::setFile(FileManager*& file) {
    this->file = file;
    return true;
}

void Loader::initLinks() {
    failed_ = false;
    loadLinkCount_ = 0;
    zeroLinkCount_ = 0;
    payloadSize_ = memoryManager->payloadSize();
    current_ = previous_ = spareTag_ = spareTagEnd_ = nullptr;
    spareTagPhys_ = 0;
    listHead_ = 0;
    uint32_t dataVirtual = 0, dataPhysical = 0, tagVirtual = 0, tagPhysical = 0;
    if (!memoryManager->nextTaggedPage(dataVirtual, dataPhysical, tagVirtual, tagPhysical)) {
        failed_ = true;
        return;
    }
    spareTag_ = tagAt(tagVirtual);
    spareTagPhys_ = tagPhysical;
    spareTagEnd_ = tagAt(tagVirtual + memoryManager->getPageSize());
    listHead_ = spareTagPhys_;
    current_ = spareTag_;
    ++spareTag_;
    spareTagPhys_ += sizeof(PageTag);
}

bool Loader::takeDataPage(PageTag*& tag, uint32_t& tagPhysical, uint8_t*& data,
                          uint32_t& dataPhysical) {
    // Without a first tag (no tag page) nothing can be linked.
    uint32_t dataVirtual = 0, tagVirtual = 0;
    if (!current_ ||
        !memoryManager->nextTaggedPage(dataVirtual, dataPhysical, tagVirtual, tagPhysical)) {
        failed_ = true;
        return false;
    }
    tag = tagAt(tagVirtual);
    data = pointer(dataVirtual);
    return true;
}

void Loader::linkData(PageTag* tag, uint32_t tagPhysical, uint32_t dataPhysical, uint32_t dst,
                      uint32_t size) {
    *current_ = PageTag{tagPhysical, dataPhysical, dst, size};
    current_ = tag;
    ++loadLinkCount_;
}

void Loader::recordFileChunk(uint32_t dst, uint32_t fileOffset, uint32_t length) {
    previous_ = current_;
    PageTag* tag = nullptr;
    uint8_t* data = nullptr;
    uint32_t tagPhysical = 0, dataPhysical = 0;
    if (!takeDataPage(tag, tagPhysical, data, dataPhysical))
        return;
    int32_t got = file->read(data, length, fileOffset);
    // A file that ends early would hand the kernel a hole: refuse it.
    if (got != int32_t(length)) {
        console->print(TEXT("read error at offset 0x%x (0x%x of 0x%x bytes).\n"), fileOffset,
                       got < 0 ? 0 : got, length);
        failed_ = true;
        return;
    }
    linkData(tag, tagPhysical, dataPhysical, dst, length);
}

void Loader::addLoadLink(uint32_t dst, uint32_t memSize, uint32_t fileOffset, uint32_t fileSize) {
    console->print(TEXT("\t->load 0x%08x+0x%08x=0x%08x ofs=0x%08x+0x%x\n"), dst, memSize,
                   dst + memSize, fileOffset, fileSize);
    nextFree_ = dst + memSize;
    if (payloadSize_ == 0) {  // no chain was started: nothing can be linked
        failed_ = true;
        return;
    }
    uint32_t chunkDst = dst, chunkOffset = fileOffset;
    uint32_t whole = fileSize / payloadSize_, rest = fileSize % payloadSize_;
    // Once a chunk failed every later one would fail the same way; one
    // "page insufficient." says it.
    for (uint32_t i = 0; i < whole && !failed_; ++i) {
        recordFileChunk(chunkDst, chunkOffset, payloadSize_);
        chunkDst += payloadSize_;
        chunkOffset += payloadSize_;
    }
    if (rest != 0 && !failed_)
        recordFileChunk(chunkDst, chunkOffset, rest);
    if (fileSize < memSize)
        addZeroLink(dst + fileSize, memSize - fileSize);
}

void Loader::addZeroLink(uint32_t dst, uint32_t size) {
    // The tag page's pool of spare slots is bounded by the page.
    if (!current_ || spareTag_ >= spareTagEnd_) {
        failed_ = true;
        return;
    }
    *current_ = PageTag{spareTagPhys_, PageTag::kNone, dst, size};
    console->print(TEXT("\t->zero 0x%08x+0x%08x=0x%08x\n"), dst, size, dst + size);
    previous_ = current_;
    current_ = spareTag_;
    ++spareTag_;
    spareTagPhys_ += sizeof(PageTag);
    ++zeroLinkCount_;
}

void Loader::addLoadLinkFromMemory(uint32_t dst, uint32_t size, const void* source) {
    console->print(TEXT("\t->load 0x%08x+0x%08x=0x%08x\n"), dst, size, dst + size);
    const uint8_t* from = static_cast<const uint8_t*>(source);
    uint32_t chunkDst = dst, remaining = size;
    while (remaining > 0) {
        previous_ = current_;
        PageTag* tag = nullptr;
        uint8_t* data = nullptr;
        uint32_t tagPhysical = 0, dataPhysical = 0;
        if (!takeDataPage(tag, tagPhysical, data, dataPhysical))
            break;
        uint32_t chunk = remaining < payloadSize_ ? remaining : payloadSize_;
        std::memcpy(data, from, chunk);
        linkData(tag, tagPhysical, dataPhysical, chunkDst, chunk);
        from += chunk;
        chunkDst += chunk;
        remaining -= chunk;
    }
    nextFree_ = dst + size;
}

bool Loader::loadFileSystemImage() {
    uint32_t size = file->realSize();
    uint32_t dst = (nextFree_ + kImageAlignment - 1) / kImageAlignment * kImageAlignment;
    console->print(TEXT("[file system image]\n"));
    addLoadLink(dst, size, 0, size);
    return isOk();
}

void Loader::finishLinks() {
    // A chain whose first page never came has no tag to end.
    if (previous_)
        previous_->next = PageTag::kNone;
    console->print(TEXT("load link %d, zero clear link %d\n"), loadLinkCount_, zeroLinkCount_);
}

int fileFormat(FileManager* file) {
    uint8_t header[kHeaderProbeBytes] = {};
    int32_t got = file->read(header, sizeof(header), 0);
    if (got < 4)
        return 0;
    return header[0] == 0x7F && header[1] == 'E' && header[2] == 'L' && header[3] == 'F' ? 1 : 0;
}
