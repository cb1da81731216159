#include "file/http/HttpConnection.h"

#include "platform/ce/CeFile.h"
#include "platform/ce/CeSystem.h"

HttpConnection::HttpConnection(const ce::sockaddr_in* address)
    : address_(address), socket_(ce::socket(ce::AF_INET, ce::SOCK_STREAM, 0)) {
    if (valid()) {
        ce::connect(socket_, reinterpret_cast<const ce::sockaddr*>(address_),
                    sizeof(ce::sockaddr_in));
    }
}

HttpConnection::~HttpConnection() {
    if (valid())
        ce::closesocket(socket_);
}

HttpConnection::Outcome HttpConnection::receive(char* buffer, uint32_t size, uint32_t waitMs,
                                                uint32_t deadline, uint32_t& received) {
    received = 0;
    // The time left, counted so that the tick counter may wrap.
    int32_t left = int32_t(deadline - ce::GetTickCount());
    if (left <= 0)
        return kTimedOut;
    uint32_t wait = uint32_t(left) < waitMs ? uint32_t(left) : waitMs;
    ce::fd_set readable{};
    readable.fd_count = 1;
    readable.fd_array[0] = socket_;
    ce::timeval timeout{ce::LONG(wait / 1000), ce::LONG(wait % 1000 * 1000)};
    int ready = ce::select(0, &readable, nullptr, nullptr, &timeout);
    if (ready == ce::SOCKET_ERROR)
        return kFailed;
    if (ready == 0)
        return kTimedOut;
    int want = size > 0x7FFFFFFF ? 0x7FFFFFFF : int(size);
    int r = ce::recv(socket_, buffer, want, 0);
    if (r == ce::SOCKET_ERROR || r < 0)
        return ce::GetLastError() == ce::WSAETIMEDOUT ? kTimedOut : kFailed;
    if (r == 0)
        return kClosed;
    received = uint32_t(r);
    return kReceived;
}
