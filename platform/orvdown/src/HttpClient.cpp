#include "HttpClient.h"

#include "OrvLog.h"

#include <algorithm>

namespace orvdown {
namespace {

// Short enough that a stalled server frees a stopping task quickly.
constexpr int kResolveMs = 5000, kConnectMs = 5000, kSendMs = 5000, kReceiveMs = 4000;

}  // namespace

bool HttpConnection::Open(const std::wstring& host, INTERNET_PORT port) {
    session_.reset(::WinHttpOpen(L"OrvDown/1.0", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                 WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session_) {
        ORV_ERROR(L"WinHttpOpen failed, error=%lu", ::GetLastError());
        return false;
    }
    ::WinHttpSetTimeouts(session_.get(), kResolveMs, kConnectMs, kSendMs, kReceiveMs);
    connect_.reset(::WinHttpConnect(session_.get(), host.c_str(), port, 0));
    if (!connect_) {
        ORV_ERROR(L"WinHttpConnect %s:%u failed, error=%lu", host.c_str(), port, ::GetLastError());
        return false;
    }
    std::string body;
    std::wstring error;
    if (!HttpGetAll(connect_.get(), L"/pkg/hello", 4096, nullptr, &body, &error)) {
        ORV_ERROR(L"download server %s:%u does not answer: %s", host.c_str(), port, error.c_str());
        connect_.reset();
        session_.reset();
        return false;
    }
    return true;
}

bool HttpGet::Send(HINTERNET connect, const std::wstring& path, const std::wstring& range) {
    request_.reset(::WinHttpOpenRequest(connect, L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                        WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
    if (!request_) return false;
    std::wstring headers = range.empty() ? std::wstring() : L"Range: " + range + L"\r\n";
    if (!::WinHttpSendRequest(request_.get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                              static_cast<DWORD>(headers.size()), WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !::WinHttpReceiveResponse(request_.get(), nullptr))
        return false;
    DWORD cb = sizeof(status_);
    return ::WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &status_, &cb, WINHTTP_NO_HEADER_INDEX);
}

bool HttpGet::ContentLength(uint64_t* cb) const {
    wchar_t text[32];
    DWORD cbText = sizeof(text);
    if (!::WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text,
                               &cbText, WINHTTP_NO_HEADER_INDEX))
        return false;
    wchar_t* end = nullptr;
    *cb = _wcstoui64(text, &end, 10);
    return end != text && *end == L'\0';
}

bool HttpGet::Read(void* buf, DWORD cb, DWORD* got) {
    *got = 0;
    // A read waits until it has all it asked for; asking for what has
    // arrived keeps each call short, so a slow server cannot hold up a
    // stopping task.
    DWORD available = 0;
    if (!::WinHttpQueryDataAvailable(request_.get(), &available)) return false;
    if (available == 0) return true;  // the body ended
    return ::WinHttpReadData(request_.get(), buf, std::min(cb, available), got) != FALSE;
}

bool HttpGetAll(HINTERNET connect, const std::wstring& path, size_t maxBytes, const std::atomic<bool>* cancel,
                std::string* body, std::wstring* error) {
    HttpGet get;
    uint64_t length = 0;
    if (!get.Send(connect, path, std::wstring())) {
        *error = L"request failed, error=" + std::to_wstring(::GetLastError());
        return false;
    }
    if (get.Status() != 200) {
        *error = L"HTTP status " + std::to_wstring(get.Status());
        return false;
    }
    if (!get.ContentLength(&length) || length > maxBytes) {
        *error = L"missing or absurd Content-Length";
        return false;
    }
    body->assign(static_cast<size_t>(length), '\0');
    size_t have = 0;
    while (have < body->size()) {
        if (cancel && cancel->load()) {
            *error = L"given up";
            return false;
        }
        DWORD got = 0;
        DWORD want = static_cast<DWORD>(std::min<size_t>(body->size() - have, 1u << 20));
        if (!get.Read(&(*body)[have], want, &got) || got == 0) {
            *error = L"answer cut after " + std::to_wstring(have) + L" of " + std::to_wstring(length) + L" bytes";
            return false;
        }
        have += got;
    }
    return true;
}

}  // namespace orvdown
