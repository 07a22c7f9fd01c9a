#include "TinyHttpServer.h"

#include <ws2tcpip.h>

#include <algorithm>

TinyHttpServer::TinyHttpServer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
}

TinyHttpServer::~TinyHttpServer() {
    stop_ = true;
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    if (thread_.joinable()) thread_.join();
    for (std::thread& t : slow_) t.join();
    WSACleanup();
}

bool TinyHttpServer::Start() {
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET) return false;
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(listener_, 16) != 0)
        return false;
    int len = sizeof(addr);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
    return true;
}

std::wstring TinyHttpServer::Url(const std::string& path) const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) + std::wstring(path.begin(), path.end());
}

void TinyHttpServer::Set(const std::string& path, Response r) {
    std::lock_guard<std::mutex> lock(lock_);
    routes_[path] = std::move(r);
}

std::vector<std::string> TinyHttpServer::CookiesFor(const std::string& path) {
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<std::string> out;
    for (auto& r : requests_)
        if (r.first == path) out.push_back(r.second);
    return out;
}

void TinyHttpServer::Serve() {
    while (!stop_) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(listener_, &set);
        timeval tv = {0, 100000};
        if (select(0, &set, nullptr, nullptr, &tv) <= 0) continue;
        SOCKET s = accept(listener_, nullptr, nullptr);
        if (s == INVALID_SOCKET) continue;
        if (!HandleClient(s)) closesocket(s);
    }
}

bool TinyHttpServer::HandleClient(SOCKET s) {
    DWORD timeout = 5000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
    std::string req;
    char buf[4096];
    while (req.find("\r\n\r\n") == std::string::npos && req.size() < 65536) {
        int n = recv(s, buf, sizeof(buf), 0);
        if (n <= 0) return false;
        req.append(buf, static_cast<size_t>(n));
    }
    size_t sp1 = req.find(' '), sp2 = req.find(' ', sp1 + 1);
    std::string path = req.substr(sp1 + 1, sp2 - sp1 - 1);
    std::string cookie;
    size_t c = req.find("\r\nCookie: ");
    if (c != std::string::npos) cookie = req.substr(c + 10, req.find("\r\n", c + 10) - c - 10);
    Response r;
    {
        std::lock_guard<std::mutex> lock(lock_);
        requests_.emplace_back(path, cookie);
        auto it = routes_.find(path);
        if (it != routes_.end()) r = it->second;
        else r = {404, "", "<html><head><title>Not found</title></head><body>missing</body></html>"};
    }
    std::string out = "HTTP/1.0 " + std::to_string(r.status) + " X\r\nContent-Type: text/html; charset=utf-8\r\n" +
                      r.headers + "Content-Length: " + std::to_string(r.body.size()) + "\r\n\r\n" + r.body;
    if (r.silent || r.dripMs > 0) {
        slow_.emplace_back([this, s, r, out] {
            ServeSlowly(s, r, out);
            closesocket(s);
        });
        return true;
    }
    send(s, out.data(), static_cast<int>(out.size()), 0);
    shutdown(s, SD_SEND);
    return false;
}

// Silent: waits until the server stops. Trickling: sends the answer a few
// bytes at a time until it is out, the client has gone or the server stops.
void TinyHttpServer::ServeSlowly(SOCKET s, const Response& r, const std::string& answer) {
    size_t step = r.dripBytes > 0 ? r.dripBytes : 1;
    for (size_t at = 0; !stop_ && (r.silent || at < answer.size());) {
        if (r.silent) {
            Sleep(100);
            continue;
        }
        int n = static_cast<int>(std::min(step, answer.size() - at));
        if (send(s, answer.data() + at, n, 0) != n) return;
        at += static_cast<size_t>(n);
        for (int waited = 0; waited < r.dripMs && !stop_; waited += 50) Sleep(50);
    }
    shutdown(s, SD_SEND);
}
