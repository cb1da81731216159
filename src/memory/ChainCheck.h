// Before the jump: can the second-stage loader, walking the page-tag chain
// with the MMU off, finish the walk and leave every byte where the chain
// says? Placement keeps the reserved pages out of every destination, so a
// sound boot passes; this reads the finished chain once more and refuses
// what would still corrupt the walk or fault in it: a chain that leaves the
// reserved pages or never ends, a destination outside RAM, a link placed
// over another link, a write over a page the walk has still to read (tags,
// sources, the loader page, the boot-argument page).
#pragma once

#include <cstdint>
#include <vector>

#include "memory/Placement.h"

class Console;
class MemoryManager;

class ChainCheck {
  public:
    ChainCheck(MemoryManager& memory, Console*& console, Placement placement);
    // True when the walk is sound. False after a "2nd bootloader ..." line.
    bool safe(uint32_t chainHead, uint32_t bootArgs, uint32_t loaderPage);

  private:
    struct Link;
    class Needs;
    class ReservedPages;
    bool readChain(uint32_t chainHead, std::vector<Link>& links, Needs& needs);
    bool everyLinkInRam(const std::vector<Link>& links);
    bool noLinkOverwritesAnother(const std::vector<Link>& links);
    bool noLinkOverwritesANeed(const std::vector<Link>& links, const Needs& needs);

    MemoryManager& memory;
    Console*& console;
    Placement placement;
};
