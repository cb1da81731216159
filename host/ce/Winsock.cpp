// WinSock 1.1 on the host's BSD sockets. SOCKET values are handles of our own
// table, so a stray value never closes a descriptor the host owns.
#include "ce/Network.h"
#include "platform/ce/CeFile.h"

namespace {
// The system's constants, taken before the host headers turn some of these
// names into macros.
constexpr int kFamilyInet = ce::AF_INET;
constexpr int kStream = ce::SOCK_STREAM;
constexpr ce::ULONG kAddressNone = ce::INADDR_NONE;
}  // namespace

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

// glibc may define these as macros; WinSock functions of the same names are
// defined below.
#undef htons
#undef ntohs
#undef htonl
#undef ntohl

namespace host {
namespace {

bool parseDotted(const std::string& text, uint32_t& address) {
    ::in_addr a{};
    if (::inet_pton(AF_INET, text.c_str(), &a) != 1)
        return false;
    address = ::be32toh(a.s_addr);
    return true;
}

// The WinSock error for a host errno; WSAEINVAL for any other.
uint32_t wsaError(int e) {
    static const struct {
        int host;
        uint32_t wsa;
    } kErrors[] = {
        {EINTR, ce::WSAEINTR},
        {EBADF, ce::WSAEBADF},
        {EACCES, ce::WSAEACCES},
        {EPERM, ce::WSAEACCES},
        {EFAULT, ce::WSAEFAULT},
        {EMFILE, ce::WSAEMFILE},
        {ENFILE, ce::WSAEMFILE},
        {EAFNOSUPPORT, ce::WSAEAFNOSUPPORT},
        {EADDRNOTAVAIL, ce::WSAEADDRNOTAVAIL},
        {ENETUNREACH, ce::WSAENETUNREACH},
        {ECONNRESET, ce::WSAECONNRESET},
        {EPIPE, ce::WSAECONNRESET},
        {ENOTCONN, ce::WSAENOTCONN},
        {EAGAIN, ce::WSAETIMEDOUT},
        {ETIMEDOUT, ce::WSAETIMEDOUT},
        {ECONNREFUSED, ce::WSAECONNREFUSED},
        {EHOSTUNREACH, ce::WSAEHOSTUNREACH},
    };
    for (const auto& error : kErrors) {
        if (error.host == e)
            return error.wsa;
    }
    return ce::WSAEINVAL;
}

int fail(uint32_t error) {
    ce::SetLastError(error);
    return ce::SOCKET_ERROR;
}

// A host call made again for as long as a signal interrupts it.
template <class Call>
auto uninterrupted(Call call) {
    decltype(call()) r;
    do {
        r = call();
    } while (r < 0 && errno == EINTR);
    return r;
}

// send or recv on a socket of ours: the byte count, or SOCKET_ERROR with
// the reason as the last error.
template <class Transfer>
int transfer(ce::SOCKET s, const void* buffer, int length, Transfer call) {
    int fd = Machine::current().component<Network>().fd(s);
    if (fd < 0)
        return fail(ce::WSAENOTSOCK);
    if (length < 0 || (!buffer && length > 0))
        return fail(ce::WSAEFAULT);
    ssize_t r = uninterrupted([&] { return call(fd, size_t(length)); });
    return r < 0 ? fail(wsaError(errno)) : int(r);
}

}  // namespace

Network::Network(Machine& machine) {
    const MachineProfile& profile = machine.profile();
    for (const auto& [key, value] : profile.values) {
        uint32_t address = 0;
        if (key.rfind("net.host.", 0) == 0 && parseDotted(value, address))
            names_[key.substr(9)] = address;
    }
    dns_ = profile.value("net.dns", "on") != "off";
    std::string timeout = profile.value("net.timeout_ms");
    // machine.conf has checked the value; a test may still put anything here.
    long ms = std::strtol(timeout.c_str(), nullptr, 10);
    if (ms > 0 && ms <= 0x7FFFFFFF)
        timeoutMs_ = int(ms);
}

Network::~Network() {
    for (const auto& [s, fd] : sockets_)
        ::close(fd);
}

ce::SOCKET Network::add(int fd) {
    ce::SOCKET s = next_++;
    sockets_[s] = fd;
    return s;
}

int Network::fd(ce::SOCKET s) const {
    auto it = sockets_.find(s);
    return it == sockets_.end() ? -1 : it->second;
}

bool Network::close(ce::SOCKET s) {
    auto it = sockets_.find(s);
    if (it == sockets_.end())
        return false;
    ::close(it->second);
    sockets_.erase(it);
    return true;
}

bool Network::lookup(const std::string& name, uint32_t& address) const {
    auto it = names_.find(name);
    if (it == names_.end())
        return false;
    address = it->second;
    return true;
}

}  // namespace host

namespace ce {
namespace {

host::Network& network() {
    return host::Machine::current().component<host::Network>();
}

bool resolve(const std::string& name, std::vector<uint32_t>& addresses) {
    host::Network& net = network();
    uint32_t address = 0;
    if (net.lookup(name, address)) {
        addresses.push_back(address);
        return true;
    }
    if (!net.dnsEnabled() || name.empty())
        return false;
    ::addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    ::addrinfo* list = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0)
        return false;
    for (::addrinfo* a = list; a; a = a->ai_next) {
        const auto* in = reinterpret_cast<const ::sockaddr_in*>(a->ai_addr);
        uint32_t value = be32toh(in->sin_addr.s_addr);
        bool seen = false;
        for (uint32_t known : addresses)
            seen = seen || known == value;
        if (!seen)
            addresses.push_back(value);
    }
    ::freeaddrinfo(list);
    return !addresses.empty();
}

}  // namespace

int WSAStartup(WORD version, WSADATA* data) {
    host::Machine::current().counters()["WSAStartup"]++;
    if (!data)
        return int(WSAEFAULT);
    *data = WSADATA{};
    std::string answer = host::Machine::current().profile().value("net.winsock");
    unsigned major = 1, minor = 1;
    if (answer == "none")
        return int(WSASYSNOTREADY);
    if (std::sscanf(answer.c_str(), "%u.%u", &major, &minor) == 2) {
        data->wVersion = WORD(major | minor << 8);
    } else {
        data->wVersion = version < 0x0101 ? version : 0x0101;
    }
    data->wHighVersion = data->wVersion;
    std::strcpy(data->szDescription, "WinSock 1.1");
    std::strcpy(data->szSystemStatus, "Running");
    data->iMaxSockets = 64;
    data->iMaxUdpDg = 1460;
    return 0;
}

int WSACleanup() {
    host::Machine::current().counters()["WSACleanup"]++;
    return 0;
}

int WSAGetLastError() {
    return int(GetLastError());
}

SOCKET socket(int family, int type, int protocol) {
    if (family != kFamilyInet || type != kStream) {
        SetLastError(WSAEAFNOSUPPORT);
        return INVALID_SOCKET;
    }
    host::Network& net = network();
    std::string limit = host::Machine::current().profile().value("net.max_sockets");
    if (!limit.empty() && net.openCount() >= std::strtoul(limit.c_str(), nullptr, 10)) {
        SetLastError(WSAEMFILE);
        return INVALID_SOCKET;
    }
    int fd = ::socket(PF_INET, ::SOCK_STREAM | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        SetLastError(host::wsaError(errno));
        return INVALID_SOCKET;
    }
    ::timeval timeout{net.timeoutMs() / 1000, (net.timeoutMs() % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    return net.add(fd);
}

int connect(SOCKET s, const sockaddr* address, int length) {
    int fd = network().fd(s);
    if (fd < 0)
        return host::fail(WSAENOTSOCK);
    if (!address || length < int(sizeof(sockaddr_in)))
        return host::fail(WSAEFAULT);
    const auto* in = reinterpret_cast<const sockaddr_in*>(address);
    if (in->sin_family != kFamilyInet)
        return host::fail(WSAEAFNOSUPPORT);
    uint16_t port = be16toh(in->sin_port);
    network().connects().push_back({be32toh(in->sin_addr.s_addr), port});
    ::sockaddr_in target{};
    target.sin_family = PF_INET;
    target.sin_port = in->sin_port;
    target.sin_addr.s_addr = in->sin_addr.s_addr;
    int r = host::uninterrupted(
        [&] { return ::connect(fd, reinterpret_cast<const ::sockaddr*>(&target), sizeof target); });
    return r == 0 ? 0 : host::fail(host::wsaError(errno));
}

int send(SOCKET s, const char* buffer, int length, int flags) {
    return host::transfer(s, buffer, length, [&](int fd, size_t count) {
        return ::send(fd, buffer, count, MSG_NOSIGNAL);
    });
}

int recv(SOCKET s, char* buffer, int length, int flags) {
    return host::transfer(s, buffer, length,
                          [&](int fd, size_t count) { return ::recv(fd, buffer, count, 0); });
}

int closesocket(SOCKET s) {
    return network().close(s) ? 0 : host::fail(WSAENOTSOCK);
}

int select(int, fd_set* readfds, fd_set* writefds, fd_set* exceptfds, const timeval* timeout) {
    // One poll entry per socket of the three sets, in set order.
    fd_set* sets[3] = {readfds, writefds, exceptfds};
    const short events[3] = {POLLIN, POLLOUT, POLLPRI};
    std::vector<::pollfd> polls;
    for (int k = 0; k < 3; ++k) {
        if (!sets[k])
            continue;
        if (sets[k]->fd_count > std::size(sets[k]->fd_array))
            return host::fail(WSAEINVAL);
        for (UINT i = 0; i < sets[k]->fd_count; ++i) {
            int fd = network().fd(sets[k]->fd_array[i]);
            if (fd < 0)
                return host::fail(WSAENOTSOCK);
            polls.push_back(::pollfd{fd, events[k], 0});
        }
    }
    if (timeout && (timeout->tv_sec < 0 || timeout->tv_usec < 0))
        return host::fail(WSAEINVAL);
    int ms = timeout ? int(int64_t(timeout->tv_sec) * 1000 + timeout->tv_usec / 1000) : -1;
    int r = host::uninterrupted([&] { return ::poll(polls.data(), polls.size(), ms); });
    if (r < 0)
        return host::fail(host::wsaError(errno));
    int ready = 0;
    size_t at = 0;
    for (int k = 0; k < 3; ++k) {
        if (!sets[k])
            continue;
        UINT kept = 0;
        for (UINT i = 0; i < sets[k]->fd_count; ++i, ++at) {
            // A closed or failed connection counts as readable: recv tells.
            short seen = polls[at].revents & (events[k] | (k == 0 ? POLLHUP | POLLERR : 0));
            if (seen)
                sets[k]->fd_array[kept++] = sets[k]->fd_array[i];
        }
        sets[k]->fd_count = kept;
        ready += int(kept);
    }
    return ready;
}

hostent* gethostbyname(const char* name) {
    std::vector<uint32_t> addresses;
    if (!name || !resolve(name, addresses)) {
        SetLastError(WSAHOST_NOT_FOUND);
        return nullptr;
    }
    host::Network& net = network();
    net.entryName = name;
    net.entryAddresses.clear();
    for (uint32_t a : addresses)
        net.entryAddresses.push_back(htobe32(a));
    net.entryList.clear();
    for (uint32_t& a : net.entryAddresses)
        net.entryList.push_back(reinterpret_cast<char*>(&a));
    net.entryList.push_back(nullptr);
    net.entry.h_name = net.entryName.data();
    net.entry.h_aliases = net.noAliases;
    net.entry.h_addrtype = kFamilyInet;
    net.entry.h_length = 4;
    net.entry.h_addr_list = net.entryList.data();
    return &net.entry;
}

ULONG inet_addr(const char* text) {
    if (!text)
        return kAddressNone;
    ::in_addr a{};
    // inet_aton takes the same forms as WinSock: a.b.c.d, a.b.c, a.b, a.
    if (::inet_aton(text, &a) == 0)
        return kAddressNone;
    return a.s_addr;
}

USHORT htons(USHORT value) {
    return USHORT((value >> 8) | (value << 8));
}

}  // namespace ce
