#include "loader/Loader.h"

#include <cstring>

#include "console/Console.h"
#include "file/FileManager.h"
#include "memory/Destinations.h"
#include "memory/MemoryManager.h"
#include "memory/PageTag.h"
#include "memory/Placement.h"
#include "platform/Align.h"

namespace {

constexpr uint32_t kImageAlignment = 4096;  // fixed, whatever the page size
constexpr uint32_t kHeaderProbeBytes = 52;
// The second-stage loader leaves sp at (end + 0x2000) & ~0xFFF of the last
// link; the kernel's first pushes land just below it.
constexpr uint32_t kStackReach = 0x2000;

uint32_t alignImage(uint32_t address) {
    return uint32_t(alignUp(address, kImageAlignment));
}

}  // namespace

Loader::Loader(Console*& console, MemoryManager*& memoryManager)
    : console(console), memoryManager(memoryManager), chain_(memoryManager) {}

bool Loader::setFile(FileManager*& file) {
    this->file = file;
    return true;
}

void Loader::initLinks() {
    failed_ = false;
    payloadSize_ = memoryManager->payloadSize();
    if (!chain_.start())
        failed_ = true;
}

void Loader::recordFileChunk(uint32_t dst, uint32_t fileOffset, uint32_t length) {
    uint8_t* data = chain_.appendLoad(dst, length);
    if (!data) {
        failed_ = true;
        return;
    }
    int32_t got = file->read(data, length, fileOffset);
    // A file that ends early would hand the kernel a hole: refuse it.
    if (got != int32_t(length)) {
        console->print(TEXT("read error at offset 0x%x (0x%x of 0x%x bytes).\n"), fileOffset,
                       got < 0 ? 0 : got, length);
        failed_ = true;
    }
}

void Loader::addLoadLink(uint32_t dst, uint32_t memSize, uint32_t fileOffset, uint32_t fileSize) {
    console->print(TEXT("\t->load 0x%08x+0x%08x=0x%08x ofs=0x%08x+0x%x\n"), dst, memSize,
                   dst + memSize, fileOffset, fileSize);
    nextFree_ = dst + memSize;
    if (payloadSize_ == 0 || !chain_.started()) {  // no chain was started
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
    if (!chain_.appendZero(dst, size)) {
        failed_ = true;
        return;
    }
    console->print(TEXT("\t->zero 0x%08x+0x%08x=0x%08x\n"), dst, size, dst + size);
}

void Loader::addLoadLinkFromMemory(uint32_t dst, uint32_t size, const void* source) {
    console->print(TEXT("\t->load 0x%08x+0x%08x=0x%08x\n"), dst, size, dst + size);
    const uint8_t* from = static_cast<const uint8_t*>(source);
    uint32_t chunkDst = dst, remaining = size;
    while (remaining > 0 && payloadSize_ != 0) {
        uint32_t chunk = remaining < payloadSize_ ? remaining : payloadSize_;
        uint8_t* data = chain_.appendLoad(chunkDst, chunk);
        if (!data) {
            failed_ = true;
            break;
        }
        std::memcpy(data, from, chunk);
        from += chunk;
        chunkDst += chunk;
        remaining -= chunk;
    }
    if (remaining > 0)
        failed_ = true;
    nextFree_ = dst + size;
}

bool Loader::loadFileSystemImage(uint32_t size) {
    uint32_t dst = alignImage(nextFree_);
    console->print(TEXT("[file system image]\n"));
    addLoadLink(dst, size, 0, size);
    if (isOk() && !endsAt(size))
        failed_ = true;
    return isOk();
}

bool Loader::endsAt(uint32_t size) {
    // One read past the last byte: a compressed content's trailer is checked
    // on the way, and an image that grew since it was sized is caught.
    uint8_t probe = 0;
    int32_t got = file->read(&probe, 1, size);
    if (got == 0)
        return true;
    if (got > 0) {
        console->print(TEXT("the image goes on past 0x%x bytes, its size when the boot began.\n"),
                       size);
    }
    return false;
}

void Loader::finishLinks() {
    chain_.finish();
    console->print(TEXT("load link %d, zero clear link %d\n"), chain_.loadLinks(),
                   chain_.zeroLinks());
}

void Loader::planRegion(uint32_t dst, uint32_t size) {
    if (plannedCount_ >= kMaxPlanned) {
        planOverflow_ = true;
        return;
    }
    planned_[plannedCount_++] = Planned{dst, size};
}

uint32_t Loader::plannedImageAddress() const {
    if (plannedCount_ == 0)
        return 0;
    const Planned& last = planned_[plannedCount_ - 1];
    return alignImage(last.dst + last.size);
}

bool Loader::regionsAreDisjoint() {
    for (int i = 0; i < plannedCount_; ++i) {
        const Planned& a = planned_[i];
        if (uint64_t(a.dst) + a.size > 0x100000000ULL) {
            console->print(TEXT("load region 0x%08x+0x%x runs past 4 GiB.\n"), a.dst, a.size);
            return false;
        }
        for (int j = 0; j < i; ++j) {
            const Planned& b = planned_[j];
            if (a.size && b.size && a.dst < uint64_t(b.dst) + b.size &&
                b.dst < uint64_t(a.dst) + a.size) {
                console->print(TEXT("load regions 0x%08x+0x%x and 0x%08x+0x%x overlap.\n"), b.dst,
                               b.size, a.dst, a.size);
                return false;
            }
        }
    }
    return true;
}

bool Loader::destinations(uint32_t imageBytes, const Placement& placement, Destinations& out) {
    out.clear();
    uint32_t lastStart = 0, lastSize = 0;
    bool any = false;
    for (int i = 0; i <= plannedCount_; ++i) {
        bool image = i == plannedCount_;
        uint32_t dst = image ? plannedImageAddress() : planned_[i].dst;
        uint32_t size = image ? imageBytes : planned_[i].size;
        if (size == 0)
            continue;
        if (!placement.fits(dst, size)) {
            if (placement.folds()) {
                console->print(TEXT("0x%08x+0x%x does not fit in the 0x%x bytes from 0x%08x that "
                                    "the 2nd bootloader reaches.\n"),
                               dst, size, placement.mask + 1, placement.base);
            } else {
                console->print(TEXT("0x%08x+0x%x runs past 4 GiB.\n"), dst, size);
            }
            return false;
        }
        uint32_t start = placement.apply(dst);
        if (planOverflow_ || !out.add(start, size)) {
            console->print(TEXT("too many load regions.\n"));
            return false;
        }
        lastStart = start;
        lastSize = size;
        any = true;
    }
    int a = 0, b = 0;
    if (out.overlap(a, b)) {
        console->print(TEXT("0x%08x+0x%x and 0x%08x+0x%x land on each other.\n"), out[a].start,
                       out[a].size, out[b].start, out[b].size);
        return false;
    }
    if (any) {
        uint64_t end = uint64_t(lastStart) + lastSize;
        uint64_t stackTop = alignDown(end + kStackReach, 0x1000);
        if (stackTop <= 0x100000000ULL)
            out.add(uint32_t(end), uint32_t(stackTop - end));
    }
    return true;
}

int fileFormat(FileManager* file) {
    uint8_t header[kHeaderProbeBytes] = {};
    int32_t got = file->read(header, sizeof(header), 0);
    if (got < 4)
        return 0;
    return header[0] == 0x7F && header[1] == 'E' && header[2] == 'L' && header[3] == 'F' ? 1 : 0;
}
