// WinSock 1.1: the stream sockets of the HTTP client. Only IPv4 exists here.
#pragma once

#include "platform/ce/CeTypes.h"

namespace ce {

using SOCKET = UINT_PTR;
inline constexpr SOCKET INVALID_SOCKET = ~SOCKET(0);
constexpr int SOCKET_ERROR = -1;

constexpr int AF_INET = 2;
constexpr int SOCK_STREAM = 1;
constexpr ULONG INADDR_NONE = 0xFFFFFFFF;

// WinSock error numbers (GetLastError / WSAGetLastError after a failure).
constexpr DWORD WSAEINTR = 10004;
constexpr DWORD WSAEBADF = 10009;
constexpr DWORD WSAEACCES = 10013;
constexpr DWORD WSAEFAULT = 10014;
constexpr DWORD WSAEINVAL = 10022;
constexpr DWORD WSAEMFILE = 10024;
constexpr DWORD WSAENOTSOCK = 10038;
constexpr DWORD WSAEAFNOSUPPORT = 10047;
constexpr DWORD WSAEADDRNOTAVAIL = 10049;
constexpr DWORD WSAENETUNREACH = 10051;
constexpr DWORD WSAECONNRESET = 10054;
constexpr DWORD WSAENOTCONN = 10057;
constexpr DWORD WSAETIMEDOUT = 10060;
constexpr DWORD WSAECONNREFUSED = 10061;
constexpr DWORD WSAEHOSTUNREACH = 10065;
constexpr DWORD WSASYSNOTREADY = 10091;
constexpr DWORD WSAHOST_NOT_FOUND = 11001;

constexpr int WSADESCRIPTION_LEN = 256;
constexpr int WSASYS_STATUS_LEN = 128;

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    USHORT iMaxSockets;
    USHORT iMaxUdpDg;
    char* lpVendorInfo;
};

struct in_addr {
    ULONG s_addr;  // network byte order
};

// An IPv4 socket address, 16 bytes as on the wire of the API.
struct sockaddr_in {
    SHORT sin_family;
    USHORT sin_port;  // network byte order
    in_addr sin_addr;
    char sin_zero[8];
};
static_assert(sizeof(sockaddr_in) == 16);

struct sockaddr {
    USHORT sa_family;
    char sa_data[14];
};
static_assert(sizeof(sockaddr) == 16);

// The answer of gethostbyname: owned by WinSock and valid until the next call
// of the same thread.
struct hostent {
    char* h_name;
    char** h_aliases;
    SHORT h_addrtype;
    SHORT h_length;
    char** h_addr_list;  // null-terminated list of h_length-byte addresses
};

// The socket sets and time-out of select. A set holds 64 sockets (WinSock's
// FD_SETSIZE, a name the host's headers take for a macro).
struct fd_set {
    UINT fd_count;
    SOCKET fd_array[64];
};
struct timeval {
    LONG tv_sec;
    LONG tv_usec;
};

int WSAStartup(WORD version, WSADATA* data);
int WSACleanup();
int WSAGetLastError();

SOCKET socket(int family, int type, int protocol);
int connect(SOCKET s, const sockaddr* address, int length);
// Returns the bytes sent, or SOCKET_ERROR.
int send(SOCKET s, const char* buffer, int length, int flags);
// Returns the bytes received, 0 when the peer closed, or SOCKET_ERROR.
int recv(SOCKET s, char* buffer, int length, int flags);
int closesocket(SOCKET s);
// Waits until a socket of a set is ready or the time-out (null: none) ends.
// The number of ready sockets, each set keeping only its ready ones; 0 when
// the time ran out; SOCKET_ERROR after a failure.
int select(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds, const timeval* timeout);
hostent* gethostbyname(const char* name);
// A dotted IPv4 address in network byte order, or INADDR_NONE.
ULONG inet_addr(const char* text);
USHORT htons(USHORT value);

}  // namespace ce
