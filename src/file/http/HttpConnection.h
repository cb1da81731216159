// One HTTP request's connection: a TCP socket connected to the server when
// the object is made, closed when it goes. The server closes its side after
// its answer.
#pragma once

#include <cstdint>

#include "platform/ce/CeWinsock.h"

class HttpConnection {
  public:
    // What ended a receive that got no bytes.
    enum Outcome : uint32_t { kReceived, kClosed, kTimedOut, kFailed };

    // Creates the socket and connects it to `address`; a failed connect is
    // noticed by the first send or receive.
    explicit HttpConnection(const ce::sockaddr_in* address);
    virtual ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    bool valid() const { return socket_ != ce::INVALID_SOCKET; }
    ce::SOCKET socket() const { return socket_; }

    // Receives up to `size` bytes into `buffer` once the server has sent
    // some: waits at most `waitMs`, and never beyond `deadline` (a
    // GetTickCount value). `received` is the count (nonzero only with
    // kReceived); kFailed leaves the platform's error in GetLastError.
    Outcome receive(char* buffer, uint32_t size, uint32_t waitMs, uint32_t deadline,
                    uint32_t& received);

  private:
    const ce::sockaddr_in* address_;
    ce::SOCKET socket_;
};
