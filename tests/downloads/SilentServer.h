#pragma once
// A download server that never answers: a listening socket of the test on
// 127.0.0.1 that accepts nothing. The system completes the connections in
// its backlog, so a client connects, sends its request and waits for an
// answer that does not come. Closed with the object.
#include <cstdint>

class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    // The port it listens on; 0 when it does not.
    int Port() const { return port_; }

private:
    bool winsock_ = false;
    uintptr_t listener_ = ~uintptr_t(0);  // a SOCKET; INVALID_SOCKET when none
    int port_ = 0;
};
