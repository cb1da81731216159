#include "file/HttpConnection.h"

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
