// One HTTP request's connection: a TCP socket connected to the server when
// the object is made, closed when it goes. The server closes its side after
// its answer.
#pragma once

#include "platform/ce/CeWinsock.h"

class HttpConnection {
  public:
    // Creates the socket and connects it to `address`; a failed connect is
    // noticed by the first send or receive.
    explicit HttpConnection(const ce::sockaddr_in* address);
    virtual ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    bool valid() const { return socket_ != ce::INVALID_SOCKET; }
    ce::SOCKET socket() const { return socket_; }

  private:
    const ce::sockaddr_in* address_;
    ce::SOCKET socket_;
};
