// One HTTP/1.0 GET over plain BSD sockets, the baseline of the web-server
// backend; kept apart from the system's headers, whose Windows CE socket
// names the host's headers define as macros.
#include "PlainDownload.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

// The content length of a response head, or -1.
int64_t contentLength(const std::string& head) {
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    size_t at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? -1 : std::atoll(lower.c_str() + at + 17);
}

}  // namespace

int64_t plainDownload(const char* hostAddress, int port, const char* path) {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    ::inet_pton(AF_INET, hostAddress, &address.sin_addr);
    if (s < 0 || ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("connect");
        if (s >= 0)
            ::close(s);
        return -1;
    }
    std::string request =
        std::string("GET ") + path + " HTTP/1.0\r\nHost: " + hostAddress + "\r\n\r\n";
    ::send(s, request.data(), request.size(), 0);
    std::string head;
    char piece[4096];
    size_t end;
    while ((end = head.find("\r\n\r\n")) == std::string::npos) {
        ssize_t n = ::recv(s, piece, sizeof piece, 0);
        if (n <= 0)
            break;
        head.append(piece, size_t(n));
    }
    int64_t length = end == std::string::npos ? -1 : contentLength(head.substr(0, end + 2));
    if (length < 0) {
        std::fprintf(stderr, "bench_netdisk: no Content-Length in the answer\n");
        ::close(s);
        return -1;
    }
    std::unique_ptr<char[]> body(new char[size_t(length) + 1]);
    int64_t have = std::min<int64_t>(int64_t(head.size() - end - 4), length);
    std::memcpy(body.get(), head.data() + end + 4, size_t(have));
    for (ssize_t n;
         have < length && (n = ::recv(s, body.get() + have, size_t(length - have), 0)) > 0;)
        have += n;
    ::close(s);
    return have;
}
