// tests/net/hostile_http.py on the loopback address: a real peer that
// answers badly on purpose, the request path choosing how.
#pragma once

#include "support/HttpServers.h"

namespace net_testing {

class HostileServer : public PythonServer {
  public:
    HostileServer()
        : PythonServer(
              std::vector<std::string>{KESTREL_SOURCE_DIR "/tests/file/hostile_http.py", "0"}) {}
};

}  // namespace net_testing
