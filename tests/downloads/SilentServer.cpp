#include "SilentServer.h"

#include <winsock2.h>

static_assert(sizeof(SOCKET) == sizeof(uintptr_t) && INVALID_SOCKET == ~uintptr_t(0), "a SOCKET fits");

SilentServer::SilentServer() {
    WSADATA data;
    winsock_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    if (!winsock_) return;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    listener_ = listener;
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int cb = sizeof(at);
    if (listener == INVALID_SOCKET || bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof(at)) != 0 ||
        listen(listener, 16) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&at), &cb) != 0)
        return;
    port_ = ntohs(at.sin_port);
}

SilentServer::~SilentServer() {
    if (listener_ != INVALID_SOCKET) closesocket(static_cast<SOCKET>(listener_));
    if (winsock_) WSACleanup();
}
