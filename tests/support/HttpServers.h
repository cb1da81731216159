// HTTP servers on the loopback address for the tests: python3's http.server
// over a directory, and a scripted server whose answers a test writes.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace net_testing {

// python3 -m http.server serving `dir`; stopped when the object goes.
class PythonServer {
  public:
    // Port 0 lets the server pick a free port.
    explicit PythonServer(const std::filesystem::path& dir,
                          const std::string& address = "127.0.0.1", uint16_t port = 0);
    // python3 with `arguments` (a script of ours): its first line of output
    // says "... port N" as http.server's does.
    explicit PythonServer(const std::vector<std::string>& arguments);
    ~PythonServer();
    PythonServer(const PythonServer&) = delete;
    PythonServer& operator=(const PythonServer&) = delete;
    bool running() const { return port_ != 0; }
    uint16_t port() const { return port_; }

  private:
    void start(const std::vector<std::string>& arguments);

    pid_t pid_ = -1;
    uint16_t port_ = 0;
};

struct Reply {
    std::string bytes;
    bool reset = false;  // end the connection with a reset instead of a close
};

// Answers each connection's request (read up to the blank line) with
// answer(request), then closes the connection.
class ScriptedServer {
  public:
    explicit ScriptedServer(std::function<Reply(const std::string& request)> answer);
    ~ScriptedServer();
    uint16_t port() const { return port_; }
    std::vector<std::string> requests();

  private:
    void serve();
    std::function<Reply(const std::string&)> answer_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A port on 127.0.0.1 that nothing listens on (bound, then released).
uint16_t closedPort();

}  // namespace net_testing
