#pragma once
// A loopback HTTP/1.0 server for engine tests: fixed responses by path,
// each request recorded (with its Cookie header). Stops in its destructor.
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
    void HandleClient(SOCKET s);
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex lock_;
    std::map<std::string, Response> routes_;
    std::vector<std::pair<std::string, std::string>> requests_;
};
