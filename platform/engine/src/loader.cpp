// Document loading.
#include "loader.h"

#include <winhttp.h>
#define SECURITY_WIN32
#include <security.h>
#include <schannel.h>
#include <wincrypt.h>


#include "include/internal/cef_types.h"
#include "url.h"

namespace cefstub {
namespace {

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

void StoreCookies(HINTERNET request, const std::wstring& url, CookieStore* cookies) {
    for (DWORD index = 0;;) {
        DWORD size = 0;
        DWORD before = index;
        WinHttpQueryHeaders(request, WINHTTP_QUERY_SET_COOKIE, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size, &index);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return;
        std::wstring line(size / sizeof(wchar_t) + 1, L'\0');
        index = before;
        if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_SET_COOKIE, WINHTTP_HEADER_NAME_BY_INDEX, &line[0], &size,
                                 &index))
            return;
        line.resize(wcslen(line.c_str()));
        if (cookies) cookies->SetFromLine(url, line, false);
        if (index == before) return;
    }
}

FetchResult FetchHttp(const std::wstring& url, CookieStore* cookies) {
    Url u = Url::Parse(url);
    WinHttpHandle session(WinHttpOpen(L"Mozilla/5.0 (Windows NT 6.1) cefstub", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                      WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return FailureFromWinHttp(GetLastError());
    WinHttpSetTimeouts(session.get(), kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs);
    WinHttpHandle connect(WinHttpConnect(session.get(), u.host.c_str(), static_cast<INTERNET_PORT>(u.EffectivePort()), 0));
    if (!connect) return FailureFromWinHttp(GetLastError());
    std::wstring object = u.path + (u.query.empty() ? L"" : L"?" + u.query);
    WinHttpHandle request(WinHttpOpenRequest(connect.get(), L"GET", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                                             WINHTTP_DEFAULT_ACCEPT_TYPES,
                                             u.scheme == L"https" ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return FailureFromWinHttp(GetLastError());
    DWORD feature = WINHTTP_DISABLE_COOKIES;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &feature, sizeof(feature));
    std::wstring cookieHeader = cookies ? cookies->CookieHeader(url, true) : std::wstring();
    if (!cookieHeader.empty()) {
        std::wstring header = L"Cookie: " + cookieHeader;
        WinHttpAddRequestHeaders(request.get(), header.c_str(), static_cast<DWORD>(-1L), WINHTTP_ADDREQ_FLAG_ADD);
    }
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr))
        return FailureFromWinHttp(GetLastError());
    FetchResult r;
    DWORD status = 0, size = sizeof(status);
    WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    r.status = static_cast<int>(status);
    r.finalUrl = QueryUrl(request.get());
    if (r.finalUrl.empty()) r.finalUrl = url;
    StoreCookies(request.get(), r.finalUrl, cookies);
    for (;;) {
        DWORD avail = 0;
        if (!WinHttpQueryDataAvailable(request.get(), &avail)) return FailureFromWinHttp(GetLastError());
        if (avail == 0) break;
        std::string chunk(avail, '\0');
        DWORD got = 0;
        if (!WinHttpReadData(request.get(), &chunk[0], avail, &got)) return FailureFromWinHttp(GetLastError());
        r.body.append(chunk.data(), got);
    }
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
