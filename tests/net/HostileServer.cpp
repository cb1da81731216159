#include "HostileServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace net_testing {

HostileServer::HostileServer() {
    int out[2];
    if (::pipe(out) != 0)
        return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out[1], 1);
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 2);
        ::close(out[0]);
        ::execlp("python3", "python3", "-u", KESTREL_SOURCE_DIR "/tests/net/hostile_http.py", "0",
                 nullptr);
        ::_exit(127);
    }
    ::close(out[1]);
    // "Serving HTTP on 127.0.0.1 port 40123"
    std::string line;
    char c;
    while (::read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    ::close(out[0]);
    size_t at = line.find(" port ");
    if (at != std::string::npos)
        port_ = uint16_t(std::stoi(line.substr(at + 6)));
}

HostileServer::~HostileServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

}  // namespace net_testing
