// The numbers Random() answers: first the values of machine.conf's
// "random.sequence" (or of queue()), then a fixed-seed generator, so every
// run of a device folder sees the same numbers.
#pragma once

#include <cstdint>
#include <deque>

#include "machine/Machine.h"

namespace host {

class RandomSource : public MachineComponent {
  public:
    explicit RandomSource(Machine& machine);
    uint32_t next();
    void queue(uint32_t value) { scripted_.push_back(value); }

  private:
    std::deque<uint32_t> scripted_;
    uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

}  // namespace host
