#pragma once
// HTTP/1.1 over plain Winsock to the download server. ConnectSSS resolves
// the server once into a ServerAddress (a value every task copies); each
// thread that talks to the server owns an HttpClient, one kept-alive
// connection that runs one GET at a time.
//
// No wait is unbounded: every wait for the network gives up after
// kSilenceLimit without a byte, and returns within kCancelSlice once the
// caller's cancel flag is set. A request given up closes its connection.
#include "Handles.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace orvdown {

// The longest the server may stay silent (connect, answer head, each read).
constexpr auto kSilenceLimit = std::chrono::seconds(6);
// The longest a wait goes on after its cancel flag was set.
constexpr auto kCancelSlice = std::chrono::milliseconds(50);

// Holds Winsock started for as long as it lives.
class WinsockScope {
public:
    WinsockScope();
    ~WinsockScope();
    WinsockScope(const WinsockScope&) = delete;
    WinsockScope& operator=(const WinsockScope&) = delete;
    bool Ok() const { return ok_; }

private:
    bool ok_ = false;
};

struct ServerAddress {
    sockaddr_storage address = {};
    int addressBytes = 0;
    std::string hostHeader;  // "host:port"
    bool Empty() const { return addressBytes == 0; }
};

// Resolves host (a name or an IPv4/IPv6 literal); Winsock must be started.
bool ResolveServer(const std::wstring& host, uint16_t port, ServerAddress* out, std::wstring* error);

class HttpClient {
public:
    // cancel may be null; it is read by every wait.
    HttpClient(const ServerAddress& server, const std::atomic<bool>* cancel);
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Sends a GET (with "Range: bytes=first-last" when ranged) and reads the
    // answer's head. true with the status; the body is then read with
    // ReadBody. An answer without a Content-Length is refused.
    bool Get(const std::string& path, bool ranged, uint64_t first, uint64_t last, std::wstring* error);
    unsigned Status() const { return status_; }
    uint64_t ContentLength() const { return contentLength_; }
    // Reads up to cb bytes of the body, *got > 0, waiting for some when
    // none has arrived. false once the body is complete (*got 0, error
    // empty), on a cut answer, on silence, or when cancelled.
    bool ReadBody(void* buffer, size_t cb, size_t* got, std::wstring* error);
    // Drops the connection (an answer not read to its end).
    void Close();

private:
    enum class Wait { Ready, Cancelled, Silent, Failed };
    bool Open(std::wstring* error);
    bool SendAll(const std::string& text, std::wstring* error);
    bool ReadHead(std::wstring* error);
    bool ParseHead(const std::string& head, std::wstring* error);
    // recv of at most cb bytes: >0 bytes, 0 when the server closed, -1 on an error (error set).
    int Receive(char* buffer, size_t cb, std::wstring* error);
    Wait WaitFor(bool write);
    std::wstring WaitError(Wait wait, const wchar_t* what) const;

    const ServerAddress server_;
    const std::atomic<bool>* cancel_;
    UniqueSocket socket_;
    bool reusable_ = false;  // the last answer ended cleanly on a kept-alive connection
    std::vector<char> head_;  // bytes read past the head, handed out first
    size_t headUsed_ = 0;
    unsigned status_ = 0;
    uint64_t contentLength_ = 0;
    uint64_t bodyLeft_ = 0;
    bool keepAlive_ = false;
};

// A GET of a whole small answer (200 only), at most maxBytes; room for the
// body is made as it arrives, not for the length the answer claims.
bool HttpGetAll(const ServerAddress& server, const std::string& path, size_t maxBytes, const std::atomic<bool>* cancel,
                std::string* body, std::wstring* error);

}  // namespace orvdown
