#include "TinyServer.h"

#include <ws2tcpip.h>

#include <string>

namespace {

SOCKET BindLoopback(int* port) {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof(addr);
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    *port = ntohs(addr.sin_port);
    return s;
}

bool Readable(SOCKET s, int timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &tv) > 0;
}

}  // namespace

TinyServer::~TinyServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (std::thread& t : answering_) t.join();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
}

bool TinyServer::Start() {
    listener_ = BindLoopback(&port_);
    if (listener_ == INVALID_SOCKET || listen(listener_, 16) != 0) return false;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

std::wstring TinyServer::Url(const wchar_t* path) const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) + path;
}

int TinyServer::ClosedPort() {
    int port = 0;
    SOCKET s = BindLoopback(&port);
    if (s != INVALID_SOCKET) closesocket(s);
    return port;
}

void TinyServer::Serve() {
    while (!stop_) {
        if (!Readable(listener_, 100)) continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        answering_.emplace_back([this, client] { Answer(client); });
    }
}

void TinyServer::Answer(SOCKET s) {
    std::string request;
    char buf[2048];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 && Readable(s, 5000)) {
        int n = recv(s, buf, sizeof(buf), 0);
        if (n <= 0) break;
        request.append(buf, static_cast<size_t>(n));
    }
    std::string status = "200 OK";
    std::string body = "<html><head><title>served</title></head><body>served</body></html>";
    if (request.find("GET /missing") == 0) {
        status = "404 Not Found";
        body = "<html><head><title>missing</title></head><body>404</body></html>";
    } else if (request.find("GET /slow") == 0) {
        for (int i = 0; i < 30 && !stop_; ++i) Sleep(100);
    }
    std::string reply = "HTTP/1.0 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                        std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    send(s, reply.data(), static_cast<int>(reply.size()), 0);
    shutdown(s, SD_SEND);
    closesocket(s);
}
