#pragma once
// A loopback HTTP/1.0 server for the page tests: "/missing" answers 404,
// "/slow" answers after 3 s, anything else a small page. Stops in its destructor.
#include <winsock2.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class TinyServer {
public:
    ~TinyServer();
    bool Start();
    std::wstring Url(const wchar_t* path) const;
    // A loopback port nobody listens on.
    static int ClosedPort();

private:
    void Serve();
    void Answer(SOCKET s);
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::vector<std::thread> answering_;  // serving thread only; joined after it
};
