// The kernel's argument vector, built from the settings and the request
// into the boot-arguments page: the kernel name, one letter per boot flag, the root
// argument and the extra options, as NUL-terminated strings packed behind
// the vector's 16 slots.
#pragma once

#include <cstdint>

#include "platform/ce/CeTypes.h"

class BoxOwner;
struct BootSettings;

class KernelArguments {
  public:
    static constexpr uint32_t kSlots = 16;

    // `slots`: the vector in the page (this process's address); the strings
    // follow its 16 slots. `vectorPhysical`: the vector's physical address,
    // which every slot is relative to. `budget`: bytes from the vector on
    // that may be used. The extra options stop at the 16th argument or the
    // budget with the "Too many extra kernel options." box, owned by
    // `boxes`.
    KernelArguments(uint32_t* slots, uint32_t vectorPhysical, uint32_t budget,
                    const BoxOwner* boxes);

    // `kernelName` and `imageName` are the request's (the names that were
    // opened); flags, root device and extra options come from the settings.
    // Returns the argument count.
    uint32_t build(const BootSettings& settings, const ce::WCHAR* kernelName,
                   const ce::WCHAR* imageName);

  private:
    // Places `length` bytes and a NUL as the next argument; false when the
    // slots or the budget would be exceeded.
    bool add(const char* text, uint32_t length);
    bool addPrefixed(const char* prefix, const char16_t* name);
    void addExtraOptions(const char16_t* options);
    void warn(const ce::WCHAR* text) const;

    uint32_t* slots_;
    uint32_t vectorPhysical_;
    uint32_t limit_;     // offset from the vector where the budget ends
    uint32_t position_;  // offset from the vector of the next string
    uint32_t count_ = 0;
    const BoxOwner* boxes_;
};
