// The handheld's first serial port as its driver shows it: a DCB and a byte
// stream that goes to standard output, a file of the device folder, or
// nowhere (com1 = stdout | file:NAME | none in machine.conf).
#pragma once

#include <fstream>
#include <string>

#include "machine/Machine.h"
#include "platform/ce/CeTypes.h"

namespace host {

class Com1 : public MachineComponent {
  public:
    explicit Com1(Machine& machine);
    bool available() const { return available_; }
    void send(const void* bytes, size_t count);
    const std::string& received() const { return received_; }
    ce::DCB& dcb() { return dcb_; }
    int opens() const { return opens_; }
    void countOpen() { ++opens_; }

  private:
    Machine& machine_;
    bool available_ = true;
    ce::DCB dcb_{};
    std::string received_;
    std::ofstream file_;
    int opens_ = 0;
};

}  // namespace host
