#include "memory/ChainCheck.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "console/Console.h"
#include "memory/ChainReader.h"
#include "memory/MemoryManager.h"
#include "memory/PageTag.h"
#include "platform/Address.h"
#include "platform/Align.h"

namespace {

constexpr uint32_t kPage = 4096;
constexpr uint32_t kForever = 0xFFFFFFFF;

uint32_t pageOf(uint32_t address) {
    return uint32_t(alignDown(address, kPage));
}

}  // namespace

struct ChainCheck::Link {
    uint32_t src;
    uint32_t dst;  // where the second-stage loader puts it
    uint32_t size;
};

// The walk in steps: link i's tag is read at step 2i, its source read and
// its destination written during step 2i + 1. A page is needed until the
// last step that reads it.
class ChainCheck::Needs {
  public:
    void need(uint32_t page, uint32_t step) {
        uint32_t& until = until_[page];
        if (step > until)
            until = step;
    }
    void needRange(uint32_t start, uint32_t bytes, uint32_t step) {
        uint64_t end = uint64_t(start) + bytes;
        for (uint64_t p = pageOf(start); p < end; p += kPage)
            need(uint32_t(p), step);
    }
    // True, with the page, when a page of the range is needed at `step` or later.
    bool conflict(uint32_t start, uint32_t bytes, uint32_t step, uint32_t& page) const {
        uint64_t end = uint64_t(start) + bytes;
        for (uint64_t p = pageOf(start); p < end; p += kPage) {
            auto it = until_.find(uint32_t(p));
            if (it != until_.end() && it->second >= step)
                return page = uint32_t(p), true;
        }
        return false;
    }

  private:
    std::unordered_map<uint32_t, uint32_t> until_;
};

// The chain's tags as the reserved pages hold them, through their virtual
// addresses; a tag outside those pages cannot be read.
class ChainCheck::ReservedPages : public ChainReader::Memory {
  public:
    explicit ReservedPages(MemoryManager& memory) {
        // With the pages handed out from the back (loader, boot arguments).
        for (int i = 0; i < memory.entryCount(); ++i) {
            const MemoryManager::PageEntry& e = memory.pageTable()[i];
            virtualOf_[e.physicalAddress] = e.virtualAddress;
        }
    }
    bool readTag(uint32_t physical, PageTag& tag) override {
        auto it = virtualOf_.find(pageOf(physical));
        if (it == virtualOf_.end() || (physical & (kPage - 1)) > kPage - sizeof(PageTag))
            return false;
        std::memcpy(&tag, pointerAt<const void>(it->second + (physical & (kPage - 1))), sizeof tag);
        return true;
    }

  private:
    std::unordered_map<uint32_t, uint32_t> virtualOf_;
};

ChainCheck::ChainCheck(MemoryManager& memory, Console*& console, Placement placement)
    : memory(memory), console(console), placement(placement) {}

bool ChainCheck::safe(uint32_t chainHead, uint32_t bootArgs, uint32_t loaderPage) {
    std::vector<Link> links;
    Needs needs;
    needs.need(pageOf(loaderPage), kForever);
    needs.need(pageOf(bootArgs), kForever);
    return readChain(chainHead, links, needs) && everyLinkInRam(links) &&
           noLinkOverwritesAnother(links) && noLinkOverwritesANeed(links, needs);
}

bool ChainCheck::readChain(uint32_t chainHead, std::vector<Link>& links, Needs& needs) {
    ReservedPages pages(memory);
    // Every tag sits in a reserved page; a chain longer than they can hold loops.
    uint32_t limit = uint32_t(memory.entryCount()) * (kPage / sizeof(PageTag));
    ChainReader reader(pages, chainHead, placement, limit);
    PageTag t;
    while (reader.next(t)) {
        uint32_t step = 2 * uint32_t(links.size());
        needs.need(pageOf(reader.tagAddress()), step);
        // The walk reads its source two words at a time.
        if (t.src != PageTag::kZeroFill)
            needs.needRange(t.src, uint32_t(alignUp(t.size, 8)), step + 1);
        links.push_back(Link{t.src, t.dst, t.size});
    }
    switch (reader.stop()) {
        case ChainReader::Stop::kEnded:
            if (!links.empty())
                return true;
            console->print(TEXT("2nd bootloader would find no link in the chain.\n"));
            return false;
        case ChainReader::Stop::kTooLong:
            console->print(TEXT("2nd bootloader would find no end to the chain after %d links.\n"),
                           int(links.size()));
            return false;
        default:
            console->print(TEXT("2nd bootloader would read link %d at 0x%08x, outside the reserved "
                                "pages.\n"),
                           int(links.size()), reader.tagAddress());
            return false;
    }
}

// A destination outside the machine's RAM (0, I/O space, past 4 GiB) is a
// fault or a device write in the middle of the walk.
bool ChainCheck::everyLinkInRam(const std::vector<Link>& links) {
    if (memory.regionCount() == 0)
        return true;  // nothing is known about the banks
    for (size_t i = 0; i < links.size(); ++i) {
        uint64_t start = links[i].dst, end = start + (links[i].size < 4 ? 4 : links[i].size);
        bool inside = false;
        for (int r = 0; r < memory.regionCount() && !inside; ++r) {
            const MemoryManager::Region& bank = memory.regions()[r];
            inside = start >= bank.start && end <= uint64_t(bank.start) + bank.size;
        }
        if (!inside) {
            console->print(TEXT("2nd bootloader would write link %d to 0x%08x+0x%x, outside "
                                "RAM.\n"),
                           int(i), links[i].dst, links[i].size);
            return false;
        }
    }
    return true;
}

// Two links placed over each other: on the PXA-2x0 every destination folds
// into the first 16 MiB of SDRAM, so a large image lands on the kernel.
bool ChainCheck::noLinkOverwritesAnother(const std::vector<Link>& links) {
    std::vector<size_t> order(links.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return links[a].dst < links[b].dst; });
    for (size_t k = 1; k < order.size(); ++k) {
        const Link& low = links[order[k - 1]];
        const Link& high = links[order[k]];
        if (low.size && high.size && uint64_t(low.dst) + low.size > high.dst) {
            console->print(TEXT("2nd bootloader would write link %d over link %d at 0x%08x.\n"),
                           int(std::max(order[k - 1], order[k])),
                           int(std::min(order[k - 1], order[k])), high.dst);
            return false;
        }
    }
    return true;
}

bool ChainCheck::noLinkOverwritesANeed(const std::vector<Link>& links, const Needs& needs) {
    for (size_t i = 0; i < links.size(); ++i) {
        // Whole words, and at least one even for an empty link.
        uint32_t bytes = links[i].size < 4 ? 4 : uint32_t(alignUp(links[i].size, 4));
        uint32_t page = 0;
        if (needs.conflict(links[i].dst, bytes, 2 * uint32_t(i) + 1, page)) {
            console->print(TEXT("2nd bootloader would overwrite page 0x%08x (link %d to 0x%08x), "
                                "which it still needs.\n"),
                           page, int(i), links[i].dst);
            return false;
        }
    }
    return true;
}
