// The boot procedure: turns the settings into a running kernel in eleven
// progress steps, or stops at the first failing step with one "BOOT FAILED"
// box and returns.
#pragma once

#include <cstdint>

class Boot;

// The boot hook MenuInterface calls; works on Boot::instance().
void bootProcedure(uint32_t argument);
// The procedure itself on a given Boot object. Returns only on failure.
void runBootSequence(Boot& boot);
