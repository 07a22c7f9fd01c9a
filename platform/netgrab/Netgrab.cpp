// Stand-in for Netgrab.dll, the HTTPS file download library: the same export
// and results, built on WinHTTP. Announces itself once on the debugger output.
#include "Netgrab.h"

#include <windows.h>
#include <winhttp.h>

#include <memory>
#include <string>

namespace {

constexpr DWORD kChunkBytes = 64 * 1024;
// WSAETIMEDOUT: some WinHTTP builds leave the socket's error for a TLS read
// that timed out.
constexpr DWORD kSocketTimedOut = 10060;

struct WinHttpCloser {
    void operator()(void* h) const {
        if (h) WinHttpCloseHandle(h);
    }
};
using WinHttpPtr = std::unique_ptr<void, WinHttpCloser>;

struct FileCloser {
    void operator()(HANDLE h) const {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

int ResultOfError(DWORD error) {
    switch (error) {
        case ERROR_WINHTTP_TIMEOUT:
        case kSocketTimedOut: return kNetgrabTimeout;
        case ERROR_WINHTTP_SECURE_FAILURE: return kNetgrabPeerCertificate;
        case ERROR_WINHTTP_SECURE_CHANNEL_ERROR: return kNetgrabTlsConnect;
        case ERROR_WINHTTP_CANNOT_CONNECT: return kNetgrabCannotConnect;
        case ERROR_WINHTTP_NAME_NOT_RESOLVED: return kNetgrabHostNotFound;
        case ERROR_WINHTTP_INVALID_URL: return kNetgrabBadUrl;
        case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: return kNetgrabUnsupportedProtocol;
        case ERROR_WINHTTP_CONNECTION_ERROR: return kNetgrabReceiveError;
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return kNetgrabBadServerReply;
        case ERROR_WINHTTP_HEADER_SIZE_OVERFLOW: return kNetgrabBadServerReply;
        default: return kNetgrabFailed;
    }
}

int LastResult() { return ResultOfError(GetLastError()); }

std::wstring Widen(const std::string& text) {
    if (text.empty()) return L"";
    int n = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return L"";
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}


struct Target {
    std::wstring host;
    std::wstring object;   // path and query
    INTERNET_PORT port = 0;
    bool secure = false;
};

int CrackUrl(const std::wstring& url, Target* target) {
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (url.empty() || !WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) {
        return GetLastError() == ERROR_WINHTTP_UNRECOGNIZED_SCHEME ? kNetgrabUnsupportedProtocol : kNetgrabBadUrl;
    }
    if (parts.nScheme != INTERNET_SCHEME_HTTPS && parts.nScheme != INTERNET_SCHEME_HTTP) {
        return kNetgrabUnsupportedProtocol;
    }
    target->host.assign(parts.lpszHostName, parts.dwHostNameLength);
    target->object.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    target->object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (target->object.empty()) target->object = L"/";
    target->port = parts.nPort;
    target->secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    return target->host.empty() ? kNetgrabBadUrl : kNetgrabOk;
}

bool QueryNumber(HINTERNET request, DWORD query, DWORD* value) {
    DWORD size = sizeof(*value);
    return WinHttpQueryHeaders(request, query | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX, value,
                               &size, WINHTTP_NO_HEADER_INDEX) != FALSE;
}

int OpenRequest(HINTERNET session, const Target& target, const HttpsDownloadOptions& options, WinHttpPtr* connection,
                WinHttpPtr* request) {
    connection->reset(WinHttpConnect(session, target.host.c_str(), target.port, 0));
    if (!*connection) return LastResult();
    request->reset(WinHttpOpenRequest(connection->get(), L"GET", target.object.c_str(), nullptr, WINHTTP_NO_REFERER,
                                      WINHTTP_DEFAULT_ACCEPT_TYPES, target.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!*request) return LastResult();
    if (target.secure && !options.verifyPeer) {
        DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                      SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
        WinHttpSetOption(request->get(), WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof(flags));
        // A connection whose certificate was not checked is never pooled for other requests.
        DWORD noKeepAlive = WINHTTP_DISABLE_KEEP_ALIVE;
        WinHttpSetOption(request->get(), WINHTTP_OPTION_DISABLE_FEATURE, &noKeepAlive, sizeof(noKeepAlive));
    }
    if (!WinHttpSendRequest(request->get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request->get(), nullptr)) {
        return LastResult();
    }
    DWORD status = 0;
    if (!QueryNumber(request->get(), WINHTTP_QUERY_STATUS_CODE, &status)) return kNetgrabBadServerReply;
    return status >= 400 ? kNetgrabHttpError : kNetgrabOk;
}

int ReceiveInto(HINTERNET request, HANDLE file) {
    DWORD contentLength = 0;
    bool haveLength = QueryNumber(request, WINHTTP_QUERY_CONTENT_LENGTH, &contentLength);
    std::unique_ptr<char[]> chunk(new char[kChunkBytes]);
    unsigned long long total = 0;
    for (;;) {
        DWORD read = 0;
        if (!WinHttpReadData(request, chunk.get(), kChunkBytes, &read)) {
            int result = LastResult();
            return result == kNetgrabFailed ? kNetgrabReceiveError : result;
        }
        if (read == 0) break;
        DWORD written = 0;
        if (!WriteFile(file, chunk.get(), read, &written, nullptr) || written != read) return kNetgrabWriteError;
        total += read;
    }
    return haveLength && total < contentLength ? kNetgrabPartialFile : kNetgrabOk;
}

int Download(const std::wstring& url, const std::wstring& path, const HttpsDownloadOptions& options) {
    Target target;
    int result = CrackUrl(url, &target);
    if (result != kNetgrabOk) return result;
    WinHttpPtr session(WinHttpOpen(L"Netgrab/1.0", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return kNetgrabFailed;
    int timeoutMs = (options.timeoutSeconds > 0 ? options.timeoutSeconds : HttpsDownloadOptions().timeoutSeconds) * 1000;
    WinHttpSetTimeouts(session.get(), timeoutMs, timeoutMs, timeoutMs, timeoutMs);
    DWORD responseTimeoutMs = static_cast<DWORD>(timeoutMs);
    WinHttpSetOption(session.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeoutMs,
                     sizeof(responseTimeoutMs));
    WinHttpPtr connection;
    WinHttpPtr request;
    result = OpenRequest(session.get(), target, options, &connection, &request);
    if (result != kNetgrabOk) return result;
    // The body is written beside the target under a name of this thread's
    // and takes the target's name only when complete: a failure leaves no cut
    // file behind and keeps a file already at the path as it was.
    std::wstring temp = path + L"." + std::to_wstring(GetCurrentThreadId()) + L".part";
    std::unique_ptr<void, FileCloser> file(
        CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                    nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return kNetgrabWriteError;
    result = ReceiveInto(request.get(), file.get());
    file.reset();
    if (result == kNetgrabOk && !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
        result = kNetgrabWriteError;
    if (result != kNetgrabOk) DeleteFileW(temp.c_str());
    return result;
}

}  // namespace

NETGRAB_API int HttpsDownloadFile(const std::string& url, const std::string& filePath,
                                  HttpsDownloadOptions options) {
    try {
        std::wstring path = Widen(filePath);
        if (path.empty()) return kNetgrabWriteError;
        return Download(Widen(url), path, options);
    } catch (...) {
        return kNetgrabFailed;
    }
}
