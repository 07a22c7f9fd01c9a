#pragma once
// A loopback HTTP/1.0 server for engine tests: fixed responses by path,
// each request recorded (with its Cookie header). A slow response (silent or
// trickling) is served on a thread of its own, so other requests go on
// meanwhile. Stops in its destructor, slow responses included.
#include <winsock2.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TinyHttpServer {
public:
    struct Response {
        int status = 200;
        std::string headers;  // extra header lines, each ending in \r\n
        std::string body;
        bool silent = false;   // read the request, never answer (until the server stops)
        int dripMs = 0;        // > 0: the answer goes out dripBytes at a time, this long apart
        size_t dripBytes = 1;
    };
    TinyHttpServer();
    ~TinyHttpServer();
    bool Start();
    int port() const { return port_; }
    std::wstring Url(const std::string& path) const;
    void Set(const std::string& path, Response r);
    // Cookie headers received for path, in order.
    std::vector<std::string> CookiesFor(const std::string& path);

private:
    void Serve();
    // true when a slow response took the socket over (it closes it itself).
    bool HandleClient(SOCKET s);
    void ServeSlowly(SOCKET s, const Response& r, const std::string& answer);
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::vector<std::thread> slow_;   // server thread only, until the destructor joins them
    std::mutex lock_;
    std::map<std::string, Response> routes_;
    std::vector<std::pair<std::string, std::string>> requests_;
};
