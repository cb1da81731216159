#include "support/HttpServers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace net_testing {

PythonServer::PythonServer(const std::filesystem::path& dir, const std::string& address,
                           uint16_t port) {
    start({"-m", "http.server", "--bind", address, "--directory", dir.string(),
           std::to_string(port)});
}

PythonServer::PythonServer(const std::vector<std::string>& arguments) {
    start(arguments);
}

void PythonServer::start(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv{"python3", "-u"};
    for (const std::string& a : arguments)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe(out) != 0)
        return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out[1], 1);
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 2);
        ::close(out[0]);
        ::execvp("python3", const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    ::close(out[1]);
    // "Serving HTTP on 127.0.0.1 port 40123 (http://127.0.0.1:40123/) ..."
    std::string line;
    char c;
    while (::read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    ::close(out[0]);
    size_t at = line.find(" port ");
    if (at != std::string::npos)
        port_ = uint16_t(std::stoi(line.substr(at + 6)));
}

PythonServer::~PythonServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

ScriptedServer::ScriptedServer(std::function<Reply(const std::string&)> answer)
    : answer_(std::move(answer)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 16);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

ScriptedServer::~ScriptedServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

std::vector<std::string> ScriptedServer::requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void ScriptedServer::serve() {
    while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        int s = ::accept(listener_, nullptr, nullptr);
        if (s < 0)
            continue;
        std::string request;
        char buffer[512];
        while (request.find("\r\n\r\n") == std::string::npos) {
            ssize_t n = ::recv(s, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            request.append(buffer, size_t(n));
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        Reply reply = answer_(request);
        ::send(s, reply.bytes.data(), reply.bytes.size(), MSG_NOSIGNAL);
        if (reply.reset) {
            linger hard{1, 0};
            ::setsockopt(s, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        }
        ::close(s);
    }
}

uint16_t closedPort() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}

}  // namespace net_testing
