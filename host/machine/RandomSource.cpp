#include "machine/RandomSource.h"

#include <cstdlib>
#include <sstream>

namespace host {

RandomSource::RandomSource(Machine& machine) {
    std::stringstream in(machine.profile().value("random.sequence"));
    std::string item;
    while (std::getline(in, item, ',')) {
        scripted_.push_back(uint32_t(std::strtoul(item.c_str(), nullptr, 0)));
    }
    std::string seed = machine.profile().value("random.seed");
    if (!seed.empty())
        state_ = std::strtoull(seed.c_str(), nullptr, 0) | 1;
}

uint32_t RandomSource::next() {
    if (!scripted_.empty()) {
        uint32_t v = scripted_.front();
        scripted_.pop_front();
        return v;
    }
    // xorshift64*
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return uint32_t((state_ * 0x2545F4914F6CDD1DULL) >> 32);
}

}  // namespace host
