// The CPU primitives and flat jumps as assembled (src/arch/arm, embedded by
// cmake/arm.cmake): one position-independent block and the offsets of its
// routines. "codeEnd" is the block's size including the cache-flush area.
#pragma once

#include <cstdint>
#include <vector>

namespace host {

struct ArmCodeSymbol {
    const char* name;
    uint32_t offset;
};

const std::vector<uint8_t>& armCodeBytes();
const std::vector<ArmCodeSymbol>& armCodeSymbols();

}  // namespace host
