#include "machine/Com1.h"

namespace host {

Com1::Com1(Machine& machine) : machine_(machine) {
    const std::string& target = machine.profile().com1;
    available_ = target != "none";
    if (target.rfind("file:", 0) == 0) {
        file_.open(machine.deviceDir() / target.substr(5), std::ios::binary | std::ios::trunc);
        available_ = file_.is_open();
    }
    // What the driver reports before anyone sets the port: 9600 8N1.
    dcb_.DCBlength = sizeof(ce::DCB);
    dcb_.BaudRate = 9600;
    dcb_.ByteSize = 8;
    dcb_.Parity = ce::NOPARITY;
    dcb_.StopBits = ce::ONESTOPBIT;
}

void Com1::send(const void* bytes, size_t count) {
    const char* p = static_cast<const char*>(bytes);
    received_.append(p, count);
    if (file_.is_open()) {
        file_.write(p, std::streamsize(count));
        file_.flush();
    } else if (machine_.profile().com1 == "stdout") {
        machine_.show(Machine::Channel::Com1, std::string(p, count));
    }
}

}  // namespace host
