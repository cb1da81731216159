// Before the jump: would the second-stage loader, walking the page-tag
// chain with the MMU off, overwrite a page it has yet to read? The reserved
// pages lie wherever Windows CE had them, so a link's destination (a large
// file-system image, say) can cover a page that holds later tags, data not
// yet copied, the loader itself or the boot arguments. The walk would then
// copy garbage into the kernel; refusing the jump is the sound answer.
#pragma once

#include <cstdint>
#include <vector>

class Console;
class MemoryManager;

class ChainCheck {
  public:
    // Where the second-stage loader puts a destination: (dst AND mask) OR base.
    struct Placement {
        uint32_t mask;
        uint32_t base;
    };

    ChainCheck(MemoryManager& memory, Console*& console, Placement placement);
    // True when no link is placed over another link, nor over a page that a
    // later step of the walk reads (tags, sources, the loader page, the
    // boot-argument page). False after a "2nd bootloader would ..." line.
    bool safe(uint32_t chainHead, uint32_t bootArgs, uint32_t loaderPage);

  private:
    struct Link;
    class Needs;
    void readChain(uint32_t chainHead, std::vector<Link>& links, Needs& needs);
    bool noLinkOverwritesAnother(const std::vector<Link>& links);
    bool noLinkOverwritesANeed(const std::vector<Link>& links, const Needs& needs);

    MemoryManager& memory;
    Console*& console;
    Placement placement;
};
