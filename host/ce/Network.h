// The handheld's network: the sockets the system opened (each a real BSD
// socket of the host), the addresses it connected to and the name table of
// its resolver. machine.conf keys:
//   net.host.NAME = A.B.C.D     a name the resolver knows without asking DNS
//   net.dns = off               no DNS: only the name table resolves
//   net.timeout_ms = N          receive time-out (default 30000)
//   net.max_sockets = N         sockets open at once (default: no limit)
//   net.winsock = none | X.Y    WSAStartup fails, or answers version X.Y
//                               (default: the version asked, up to 1.1)
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "machine/Machine.h"
#include "platform/ce/CeWinsock.h"

namespace host {

class Network : public MachineComponent {
  public:
    explicit Network(Machine& machine);
    ~Network() override;

    struct Endpoint {
        uint32_t address;  // host byte order
        uint16_t port;     // host byte order
        bool operator==(const Endpoint&) const = default;
    };

    ce::SOCKET add(int fd);
    int fd(ce::SOCKET s) const;  // -1 when unknown
    bool close(ce::SOCKET s);
    size_t openCount() const { return sockets_.size(); }

    // Every connect the system tried, in order.
    std::vector<Endpoint>& connects() { return connects_; }
    int timeoutMs() const { return timeoutMs_; }
    bool dnsEnabled() const { return dns_; }
    // The address of NAME from the name table, if it has one.
    bool lookup(const std::string& name, uint32_t& address) const;

    // gethostbyname's answer lives here until the next call.
    ce::hostent entry{};
    std::string entryName;
    std::vector<uint32_t> entryAddresses;
    std::vector<char*> entryList;
    char* noAliases[1] = {nullptr};

  private:
    std::map<ce::SOCKET, int> sockets_;
    ce::SOCKET next_ = 0x40;
    std::vector<Endpoint> connects_;
    std::map<std::string, uint32_t> names_;
    int timeoutMs_ = 30000;
    bool dns_ = true;
};

}  // namespace host
