#pragma once
// WinHTTP access to the download server: one session and connection made
// by ConnectSSS, shared by every task; each request is owned by the thread
// that makes it.
#include "Handles.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace orvdown {

class HttpConnection {
public:
    // Opens the session and checks the server answers.
    bool Open(const std::wstring& host, INTERNET_PORT port);
    HINTERNET Connect() const { return connect_.get(); }

private:
    UniqueInternet session_;
    UniqueInternet connect_;
};

// One GET. Read() returns the body piece by piece.
class HttpGet {
public:
    // range: "bytes=a-b" or empty.
    bool Send(HINTERNET connect, const std::wstring& path, const std::wstring& range);
    DWORD Status() const { return status_; }
    // false when the answer carried no Content-Length.
    bool ContentLength(uint64_t* cb) const;
    // Reads up to cb bytes of what has arrived, waiting for some when none
    // has; *got 0 means the body ended. false on a network error.
    bool Read(void* buf, DWORD cb, DWORD* got);

private:
    UniqueInternet request_;
    DWORD status_ = 0;
};

// A GET of a whole small answer (200 only), at most maxBytes, checked
// against its Content-Length. Gives up between reads once *cancel is set.
bool HttpGetAll(HINTERNET connect, const std::wstring& path, size_t maxBytes, const std::atomic<bool>* cancel,
                std::string* body, std::wstring* error);

}  // namespace orvdown
