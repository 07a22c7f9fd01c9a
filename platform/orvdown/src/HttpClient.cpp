#include "HttpClient.h"

#include "Text.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace orvdown {
namespace {

constexpr size_t kMaxHeadBytes = 16 * 1024;
constexpr size_t kHeadChunk = 4096;
constexpr size_t kBodyChunk = 64 * 1024;  // room made for a body ahead of its bytes
constexpr uint64_t kMaxContentLength = 1ull << 62;

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string Lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool ParseDecimal(const std::string& text, uint64_t limit, uint64_t* out) {
    if (text.empty() || text.size() > 19) return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > limit) return false;
    *out = value;
    return true;
}

std::wstring SocketError(const wchar_t* what) {
    return std::wstring(what) + L", error=" + std::to_wstring(::WSAGetLastError());
}

}  // namespace

WinsockScope::WinsockScope() {
    WSADATA data;
    ok_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockScope::~WinsockScope() {
    if (ok_) ::WSACleanup();
}

bool ResolveServer(const std::wstring& host, uint16_t port, ServerAddress* out, std::wstring* error) {
    ADDRINFOW hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    ADDRINFOW* found = nullptr;
    std::wstring service = std::to_wstring(port);
    int rc = ::GetAddrInfoW(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0 || !found) {
        *error = L"name " + host + L" not resolved, error=" + std::to_wstring(rc);
        return false;
    }
    ServerAddress server;
    server.addressBytes = static_cast<int>(std::min<size_t>(found->ai_addrlen, sizeof(server.address)));
    memcpy(&server.address, found->ai_addr, static_cast<size_t>(server.addressBytes));
    ::FreeAddrInfoW(found);
    std::string name = Utf8FromWide(host);
    server.hostHeader = (name.find(':') != std::string::npos ? "[" + name + "]" : name) + ":" + std::to_string(port);
    *out = server;
    return true;
}

HttpClient::HttpClient(const ServerAddress& server, const std::atomic<bool>* cancel)
    : server_(server), cancel_(cancel) {}

void HttpClient::Close() {
    socket_.reset();
    reusable_ = false;
    head_.clear();
    headUsed_ = 0;
    bodyLeft_ = 0;
}

// Waits until the socket can be read (or written, or its connect ended),
// giving up after kSilenceLimit or soon after the cancel flag is set.
HttpClient::Wait HttpClient::WaitFor(bool write) {
    auto deadline = std::chrono::steady_clock::now() + kSilenceLimit;
    while (true) {
        if (cancel_ && cancel_->load()) return Wait::Cancelled;
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return Wait::Silent;
        auto slice = std::min<std::chrono::steady_clock::duration>(deadline - now, kCancelSlice);
        auto us = std::chrono::duration_cast<std::chrono::microseconds>(slice).count();
        timeval tv;
        tv.tv_sec = static_cast<long>(us / 1000000);
        tv.tv_usec = static_cast<long>(us % 1000000);
        fd_set ready, failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(socket_.get(), &ready);
        FD_SET(socket_.get(), &failed);  // a refused connect shows here
        int n = ::select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &tv);
        if (n > 0) return Wait::Ready;
        if (n < 0) return Wait::Failed;
    }
}

std::wstring HttpClient::WaitError(Wait wait, const wchar_t* what) const {
    switch (wait) {
        case Wait::Cancelled: return L"given up";
        case Wait::Silent:
            return std::wstring(what) + L": server silent for " +
                   std::to_wstring(std::chrono::duration_cast<std::chrono::seconds>(kSilenceLimit).count()) + L" s";
        default: return SocketError(what);
    }
}

bool HttpClient::Open(std::wstring* error) {
    Close();
    if (server_.Empty()) {
        *error = L"no server address";
        return false;
    }
    socket_.reset(::socket(server_.address.ss_family, SOCK_STREAM, IPPROTO_TCP));
    u_long nonBlocking = 1;
    BOOL noDelay = TRUE;
    if (!socket_ || ::ioctlsocket(socket_.get(), FIONBIO, &nonBlocking) != 0) {
        *error = SocketError(L"socket");
        Close();
        return false;
    }
    ::setsockopt(socket_.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
    if (::connect(socket_.get(), reinterpret_cast<const sockaddr*>(&server_.address), server_.addressBytes) != 0) {
        if (::WSAGetLastError() != WSAEWOULDBLOCK) {
            *error = SocketError(L"connect");
            Close();
            return false;
        }
        Wait wait = WaitFor(true);
        int soError = 0, cb = sizeof(soError);
        if (wait != Wait::Ready ||
            ::getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &cb) != 0 ||
            soError != 0) {
            *error = wait != Wait::Ready ? WaitError(wait, L"connect")
                                         : L"connect failed, error=" + std::to_wstring(soError);
            Close();
            return false;
        }
    }
    return true;
}

bool HttpClient::SendAll(const std::string& text, std::wstring* error) {
    size_t sent = 0;
    while (sent < text.size()) {
        int n = ::send(socket_.get(), text.data() + sent, static_cast<int>(text.size() - sent), 0);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (::WSAGetLastError() != WSAEWOULDBLOCK) {
            *error = SocketError(L"send");
            return false;
        }
        Wait wait = WaitFor(true);
        if (wait != Wait::Ready) {
            *error = WaitError(wait, L"send");
            return false;
        }
    }
    return true;
}

int HttpClient::Receive(char* buffer, size_t cb, std::wstring* error) {
    while (true) {
        int n = ::recv(socket_.get(), buffer, static_cast<int>(std::min<size_t>(cb, INT_MAX)), 0);
        if (n >= 0) return n;
        if (::WSAGetLastError() != WSAEWOULDBLOCK) {
            *error = SocketError(L"connection lost");
            return -1;
        }
        Wait wait = WaitFor(false);
        if (wait != Wait::Ready) {
            *error = WaitError(wait, L"waiting for the answer");
            return -1;
        }
    }
}

bool HttpClient::Get(const std::string& path, bool ranged, uint64_t first, uint64_t last, std::wstring* error) {
    std::string request = "GET " + path + " HTTP/1.1\r\nHost: " + server_.hostHeader + "\r\n";
    if (ranged) request += "Range: bytes=" + std::to_string(first) + "-" + std::to_string(last) + "\r\n";
    request += "User-Agent: OrvDown/1.0\r\nConnection: keep-alive\r\n\r\n";
    // A kept connection the server closed meanwhile fails before any byte
    // of the answer: that one try is repeated on a new connection.
    bool reused = socket_ && reusable_;
    if (!reused && !Open(error)) return false;
    reusable_ = false;
    head_.clear();
    headUsed_ = 0;
    if (SendAll(request, error) && ReadHead(error)) return true;
    bool stale = reused && head_.empty() && !(cancel_ && cancel_->load());
    Close();
    if (!stale) return false;
    return Open(error) && SendAll(request, error) && ReadHead(error);
}

bool HttpClient::ReadHead(std::wstring* error) {
    size_t end = std::string::npos;
    while (end == std::string::npos) {
        if (head_.size() >= kMaxHeadBytes) {
            *error = L"answer head too long";
            return false;
        }
        size_t have = head_.size();
        head_.resize(have + kHeadChunk);
        int n = Receive(&head_[have], kHeadChunk, error);
        head_.resize(have + static_cast<size_t>(std::max(n, 0)));
        if (n < 0) return false;
        if (n == 0) {
            *error = L"connection closed before an answer";
            return false;
        }
        std::string text(head_.begin(), head_.end());
        end = text.find("\r\n\r\n", have >= 3 ? have - 3 : 0);
    }
    if (!ParseHead(std::string(head_.begin(), head_.begin() + end + 2), error)) return false;
    headUsed_ = end + 4;
    if (head_.size() - headUsed_ > contentLength_) {
        *error = L"answer longer than its Content-Length";
        return false;
    }
    bodyLeft_ = contentLength_;
    if (bodyLeft_ == 0) reusable_ = keepAlive_;
    return true;
}

// The status line and the headers the client needs.
bool HttpClient::ParseHead(const std::string& head, std::wstring* error) {
    size_t lineEnd = head.find("\r\n");
    std::string statusLine = head.substr(0, lineEnd);
    uint64_t status = 0;
    if (statusLine.compare(0, 7, "HTTP/1.") != 0 || statusLine.size() < 12 || statusLine[8] != ' ' ||
        !ParseDecimal(statusLine.substr(9, 3), 999, &status)) {
        *error = L"not an HTTP answer: " + Widen(statusLine.substr(0, 40));
        return false;
    }
    status_ = static_cast<unsigned>(status);
    keepAlive_ = statusLine[7] == '1';
    bool haveLength = false;
    for (size_t pos = lineEnd + 2; pos < head.size();) {
        size_t next = head.find("\r\n", pos);
        std::string line = head.substr(pos, next - pos);
        pos = next + 2;
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = Lower(Trim(line.substr(0, colon))), value = Trim(line.substr(colon + 1));
        if (name == "content-length") {
            if (haveLength || !ParseDecimal(value, kMaxContentLength, &contentLength_)) {
                *error = L"bad Content-Length";
                return false;
            }
            haveLength = true;
        } else if (name == "transfer-encoding" && Lower(value) != "identity") {
            *error = L"answer with Transfer-Encoding " + Widen(value.substr(0, 20));
            return false;
        } else if (name == "connection") {
            std::string options = Lower(value);
            if (options.find("close") != std::string::npos)
                keepAlive_ = false;
            else if (options.find("keep-alive") != std::string::npos)
                keepAlive_ = true;
        }
    }
    if (!haveLength) {
        *error = L"answer without Content-Length";
        return false;
    }
    return true;
}

bool HttpClient::ReadBody(void* buffer, size_t cb, size_t* got, std::wstring* error) {
    *got = 0;
    if (bodyLeft_ == 0 || cb == 0) {
        *error = L"read past the answer";
        return false;
    }
    size_t want = static_cast<size_t>(std::min<uint64_t>(cb, bodyLeft_));
    if (headUsed_ < head_.size()) {
        *got = std::min(want, head_.size() - headUsed_);
        memcpy(buffer, &head_[headUsed_], *got);
        headUsed_ += *got;
    } else {
        int n = Receive(static_cast<char*>(buffer), want, error);
        if (n <= 0) {
            if (n == 0)
                *error = L"answer cut after " + std::to_wstring(contentLength_ - bodyLeft_) + L" of " +
                         std::to_wstring(contentLength_) + L" bytes";
            Close();
            return false;
        }
        *got = static_cast<size_t>(n);
    }
    bodyLeft_ -= *got;
    if (bodyLeft_ == 0) reusable_ = keepAlive_;
    return true;
}

bool HttpGetAll(const ServerAddress& server, const std::string& path, size_t maxBytes, const std::atomic<bool>* cancel,
                std::string* body, std::wstring* error) {
    HttpClient client(server, cancel);
    if (!client.Get(path, false, 0, 0, error)) return false;
    if (client.Status() != 200) {
        *error = L"HTTP status " + std::to_wstring(client.Status());
        return false;
    }
    if (client.ContentLength() > maxBytes) {
        *error = L"absurd Content-Length";
        return false;
    }
    // The body grows as it arrives: its Content-Length is only a claim.
    body->clear();
    while (body->size() < client.ContentLength()) {
        size_t have = body->size(), got = 0;
        size_t want = static_cast<size_t>(std::min<uint64_t>(kBodyChunk, client.ContentLength() - have));
        body->resize(have + want);
        bool readOk = client.ReadBody(&(*body)[have], want, &got, error);
        body->resize(have + got);
        if (!readOk) return false;
    }
    return true;
}

}  // namespace orvdown
