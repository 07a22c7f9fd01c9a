// Document loading.
#include "loader.h"

#include <winhttp.h>
#define SECURITY_WIN32
#include <security.h>
#include <schannel.h>
#include <wincrypt.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "include/internal/cef_types.h"
#include "url.h"

namespace cefstub {
namespace {

// Bound of a whole fetch, and of each of WinHTTP's own waits inside it.
const int kTimeoutMs = 15000;

struct WinHttpHandle {
    explicit WinHttpHandle(HINTERNET h) : h_(h) {}
    ~WinHttpHandle() { if (h_) WinHttpCloseHandle(h_); }
    WinHttpHandle(const WinHttpHandle&) = delete;
    WinHttpHandle& operator=(const WinHttpHandle&) = delete;
    HINTERNET get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    HINTERNET h_;
};

FetchResult Failure(int code, const wchar_t* text) {
    FetchResult r;
    r.errorCode = code;
    r.errorText = text;
    return r;
}

FetchResult FailureFromWinHttp(DWORD error) {
    switch (error) {
        case ERROR_WINHTTP_CANNOT_CONNECT: return Failure(ERR_CONNECTION_REFUSED, L"ERR_CONNECTION_REFUSED");
        case ERROR_WINHTTP_NAME_NOT_RESOLVED: return Failure(ERR_NAME_NOT_RESOLVED, L"ERR_NAME_NOT_RESOLVED");
        case ERROR_WINHTTP_TIMEOUT: return Failure(ERR_TIMED_OUT, L"ERR_TIMED_OUT");
        case ERROR_WINHTTP_CONNECTION_ERROR: return Failure(ERR_CONNECTION_RESET, L"ERR_CONNECTION_RESET");
        default: return Failure(ERR_FAILED, L"ERR_FAILED");
    }
}

FetchResult FetchFile(const std::wstring& url) {
    std::wstring path = FileUrlToPath(url);
    UniqueHandle f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               0, nullptr));
    if (!f) return Failure(ERR_FILE_NOT_FOUND, L"ERR_FILE_NOT_FOUND");
    FetchResult r;
    char buf[16384];
    DWORD got = 0;
    while (ReadFile(f.get(), buf, sizeof(buf), &got, nullptr) && got > 0) r.body.append(buf, got);
    r.ok = true;
    r.status = 200;
    r.finalUrl = url;
    return r;
}

std::wstring QueryUrl(HINTERNET request) {
    DWORD size = 0;
    WinHttpQueryOption(request, WINHTTP_OPTION_URL, nullptr, &size);
    if (size == 0) return std::wstring();
    std::wstring out(size / sizeof(wchar_t), L'\0');
    if (!WinHttpQueryOption(request, WINHTTP_OPTION_URL, &out[0], &size)) return std::wstring();
    out.resize(wcslen(out.c_str()));
    return out;
}

// The Set-Cookie lines of an answer, in order.
std::vector<std::wstring> SetCookieLines(HINTERNET request) {
    std::vector<std::wstring> lines;
    for (DWORD index = 0;;) {
        DWORD size = 0;
        DWORD before = index;
        WinHttpQueryHeaders(request, WINHTTP_QUERY_SET_COOKIE, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size, &index);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return lines;
        std::wstring line(size / sizeof(wchar_t) + 1, L'\0');
        index = before;
        if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_SET_COOKIE, WINHTTP_HEADER_NAME_BY_INDEX, &line[0], &size,
                                 &index))
            return lines;
        line.resize(wcslen(line.c_str()));
        lines.push_back(line);
        if (index == before) return lines;
    }
}

// One fetch over HTTP, shared by the renderer thread that waits for it and
// the thread that runs it; the last one to let go frees it. WinHTTP's
// time-outs bound each wait, not a fetch: a server that sends a few bytes now
// and then would hold a synchronous fetch (and the renderer with it) for
// ever, and under Wine closing a request from another thread does not end a
// wait in progress. So the fetch runs on a thread of its own and the renderer
// waits for it no longer than kTimeoutMs; a fetch left behind stops at its
// next step, and its own waits (bounded by the same time) end soon after.
struct HttpFetch {
    // --- Inputs: set before the fetch thread starts.
    Url url;
    std::wstring cookieHeader;
    // --- Guarded by lock.
    std::mutex lock;
    std::condition_variable changed;
    bool finished = false;    // the fetch has ended, done or failed
    bool abandoned = false;   // the renderer has stopped waiting
    DWORD error = 0;          // WinHTTP's error; 0 when done
    int status = 0;
    std::wstring finalUrl;
    std::vector<std::wstring> setCookies;
    std::string body;

    bool Abandoned() {
        std::lock_guard<std::mutex> guard(lock);
        return abandoned;
    }
};

// Reads what has arrived, piece by piece (a read takes only what is there,
// so a trickle never holds one open), until the body ends or the renderer
// gives up.
DWORD ReadBody(HttpFetch& fetch, HINTERNET request, std::string* body) {
    for (;;) {
        if (fetch.Abandoned()) return ERROR_WINHTTP_TIMEOUT;
        DWORD avail = 0;
        if (!WinHttpQueryDataAvailable(request, &avail)) return GetLastError();
        if (avail == 0) return 0;
        size_t at = body->size();
        body->resize(at + avail);
        DWORD got = 0;
        if (!WinHttpReadData(request, &(*body)[at], avail, &got)) return GetLastError();
        body->resize(at + got);
    }
}

// Runs the request on the fetch thread; 0 or WinHTTP's error. The answer's
// parts go into the out-parameters.
DWORD RunHttpFetch(HttpFetch& fetch, int* status, std::wstring* finalUrl, std::vector<std::wstring>* setCookies,
                   std::string* body) {
    const Url& u = fetch.url;
    WinHttpHandle session(WinHttpOpen(L"Mozilla/5.0 (Windows NT 6.1) cefstub", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                      WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return GetLastError();
    WinHttpSetTimeouts(session.get(), kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs);
    DWORD responseTimeoutMs = kTimeoutMs;
    WinHttpSetOption(session.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeoutMs,
                     sizeof(responseTimeoutMs));
    WinHttpHandle connect(WinHttpConnect(session.get(), u.host.c_str(), static_cast<INTERNET_PORT>(u.EffectivePort()), 0));
    if (!connect) return GetLastError();
    std::wstring object = u.path + (u.query.empty() ? L"" : L"?" + u.query);
    WinHttpHandle request(WinHttpOpenRequest(connect.get(), L"GET", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                                             WINHTTP_DEFAULT_ACCEPT_TYPES,
                                             u.scheme == L"https" ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return GetLastError();
    DWORD feature = WINHTTP_DISABLE_COOKIES;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &feature, sizeof(feature));
    if (!fetch.cookieHeader.empty()) {
        std::wstring header = L"Cookie: " + fetch.cookieHeader;
        WinHttpAddRequestHeaders(request.get(), header.c_str(), static_cast<DWORD>(-1L), WINHTTP_ADDREQ_FLAG_ADD);
    }
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr))
        return GetLastError();
    DWORD code = 0, size = sizeof(code);
    WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX);
    *status = static_cast<int>(code);
    *finalUrl = QueryUrl(request.get());
    *setCookies = SetCookieLines(request.get());
    return ReadBody(fetch, request.get(), body);
}

void HttpFetchThread(std::shared_ptr<HttpFetch> fetch) noexcept {
    int status = 0;
    std::wstring finalUrl;
    std::vector<std::wstring> setCookies;
    std::string body;
    DWORD error;
    try {
        error = RunHttpFetch(*fetch, &status, &finalUrl, &setCookies, &body);
    } catch (...) {   // out of memory: nothing may leave a thread
        error = ERROR_NOT_ENOUGH_MEMORY;
    }
    std::lock_guard<std::mutex> guard(fetch->lock);
    fetch->error = error;
    fetch->status = status;
    fetch->finalUrl = std::move(finalUrl);
    fetch->setCookies = std::move(setCookies);
    fetch->body = std::move(body);
    fetch->finished = true;
    fetch->changed.notify_all();
}

// On the renderer thread: the fetch's answer within kTimeoutMs, or
// ERR_TIMED_OUT. Cookies are read from and written to the store here, never
// on the fetch thread.
FetchResult FetchHttp(const std::wstring& url, CookieStore* cookies) {
    auto fetch = std::make_shared<HttpFetch>();
    fetch->url = Url::Parse(url);
    if (cookies) fetch->cookieHeader = cookies->CookieHeader(url, true);
    try {
        std::thread(HttpFetchThread, fetch).detach();
    } catch (const std::system_error&) {
        return Failure(ERR_FAILED, L"ERR_FAILED");
    }
    std::unique_lock<std::mutex> lock(fetch->lock);
    if (!fetch->changed.wait_for(lock, std::chrono::milliseconds(kTimeoutMs), [&] { return fetch->finished; })) {
        fetch->abandoned = true;
        return Failure(ERR_TIMED_OUT, L"ERR_TIMED_OUT");
    }
    FetchResult r;
    r.status = fetch->status;
    r.finalUrl = fetch->finalUrl.empty() ? url : fetch->finalUrl;
    r.body = std::move(fetch->body);
    DWORD error = fetch->error;
    std::vector<std::wstring> setCookies = std::move(fetch->setCookies);
    lock.unlock();
    // The answer's cookies count once its headers are in, even when its body then broke off.
    if (cookies) {
        for (const std::wstring& line : setCookies) cookies->SetFromLine(r.finalUrl, line, false);
    }
    if (error != 0) return FailureFromWinHttp(error);
    r.ok = true;
    return r;
}

}  // namespace

void WarmUpSecureFetches() {
    SCHANNEL_CRED settings = {};
    settings.dwVersion = SCHANNEL_CRED_VERSION;
    CredHandle credentials;
    TimeStamp expiry;
    if (AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr, &settings,
                                  nullptr, nullptr, &credentials, &expiry) == SEC_E_OK)
        FreeCredentialsHandle(&credentials);
    if (HCERTSTORE roots = CertOpenSystemStoreW(0, L"ROOT")) CertCloseStore(roots, 0);
}

FetchResult Fetch(const std::wstring& url, CookieStore* cookies) {
    Url u = Url::Parse(url);
    if (!u.valid) return Failure(ERR_INVALID_URL, L"ERR_INVALID_URL");
    if (u.scheme == L"about") {
        FetchResult r;
        r.ok = true;
        r.finalUrl = url;
        return r;
    }
    if (u.scheme == L"file") return FetchFile(url);
    if (u.IsHttp()) return FetchHttp(url, cookies);
    return Failure(ERR_UNKNOWN_URL_SCHEME, L"ERR_UNKNOWN_URL_SCHEME");
}

std::wstring DecodeText(const std::string& bytes) {
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF)
        return FromUtf8(bytes.substr(3));
    return FromUtf8(bytes);
}

}  // namespace cefstub
