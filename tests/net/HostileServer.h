// tests/net/hostile_http.py on the loopback address: a real peer that
// answers badly on purpose, the request path choosing how.
#pragma once

#include <sys/types.h>

#include <cstdint>

namespace net_testing {

class HostileServer {
  public:
    HostileServer();
    ~HostileServer();
    HostileServer(const HostileServer&) = delete;
    HostileServer& operator=(const HostileServer&) = delete;
    bool running() const { return port_ != 0; }
    uint16_t port() const { return port_; }

  private:
    pid_t pid_ = -1;
    uint16_t port_ = 0;
};

}  // namespace net_testing
