#include "InetHttpClient.h"

#include <wininet.h>

#include "DeploymentHosts.h"
#include "PartialDownloadFile.h"
#include "UniqueHandle.h"

namespace {

struct InetTraits {
    using Type = HINTERNET;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::InternetCloseHandle(h); }
};
using UniqueInet = Unique<InetTraits>;

constexpr wchar_t kAgent[] = L"Glacio";
constexpr wchar_t kNoCacheHeader[] = L"Pragma: no-cache\r\n";
constexpr wchar_t kNotModifiedHeader[] = L"If-Modified-Since:0\r\n";
constexpr DWORD kConnectFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION;  // 0x4400000
constexpr DWORD kReadChunkBytes = 4096;
constexpr DWORD kUrlPartChars = 2084;
constexpr DWORD kSpeedIntervalMs = 1000;
// Bound on each wait for the server (sending, and every wait for data). Set
// explicitly: some WinINet builds otherwise wait without limit.
constexpr DWORD kTransferTimeoutMs = 30000;

// The handles of one request; members close in reverse order (request,
// connection, session).
struct InetHandleSet {
    UniqueInet session;
    UniqueInet connection;
    UniqueInet request;
    std::wstring headers;
};

// Opens session, connection and request and sends the GET. false: -2.
bool OpenAndSend(InetHandleSet& set, const UrlParts& parts) {
    set.session.reset(InternetOpenW(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!set.session) return false;
    set.connection.reset(InternetConnectW(set.session.get(), parts.host.c_str(), parts.port, nullptr, nullptr,
                                          INTERNET_SERVICE_HTTP, kConnectFlags, 0));
    if (!set.connection) return false;
    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    set.request.reset(HttpOpenRequestW(set.connection.get(), L"GET", parts.path.c_str(), L"HTTP/1.0", L"",
                                       acceptTypes, INTERNET_FLAG_EXISTING_CONNECT, 0));
    if (!set.request) return false;
    DWORD timeout = kTransferTimeoutMs;
    InternetSetOptionW(set.request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
    InternetSetOptionW(set.request.get(), INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof(timeout));
    if (!HttpAddRequestHeadersW(set.request.get(), set.headers.c_str(), static_cast<DWORD>(set.headers.size()),
                                HTTP_ADDREQ_FLAG_ADD)) {
        return false;
    }
    return HttpSendRequestW(set.request.get(), nullptr, 0, nullptr, 0) != FALSE;
}

bool QueryNumber(HINTERNET request, DWORD query, DWORD* value) {
    DWORD size = sizeof(*value);
    return HttpQueryInfoW(request, query | HTTP_QUERY_FLAG_NUMBER, value, &size, nullptr) != FALSE;
}

// The status of the answer, or -2 when there is none to read: an empty
// answer can read as status 0, which must not pass for the result "done".
int StatusResult(HINTERNET request) {
    DWORD status = 0;
    if (!QueryNumber(request, HTTP_QUERY_STATUS_CODE, &status) || status < 100 || status > 599) return kInetNetwork;
    return status == HTTP_STATUS_OK ? kInetDone : static_cast<int>(status);
}

// Speed in bytes per second, measured at most once per second (the first
// time as soon as the clock has moved since the start).
class SpeedMeter {
public:
    SpeedMeter() : lastTick_(GetTickCount()) {}
    int Update(unsigned long long total) {
        DWORD now = GetTickCount();
        DWORD elapsed = now - lastTick_;
        if ((!measured_ && elapsed != 0) || elapsed >= kSpeedIntervalMs) {
            speed_ = static_cast<int>((total - lastTotal_) * 1000 / elapsed);
            lastTick_ = now;
            lastTotal_ = total;
            measured_ = true;
        }
        return speed_;
    }

private:
    DWORD lastTick_;
    unsigned long long lastTotal_ = 0;
    int speed_ = 0;
    bool measured_ = false;
};

// Reads the body in 4 KiB chunks and hands each to onChunk (which answers
// kInetDone to go on, or the result to stop with). A transfer that breaks off
// (a failed read, or fewer bytes than a known Content-Length) is -2, not a
// finished body.
template <typename OnChunk>
int ReadBody(HINTERNET request, const DWORD* contentLength, OnChunk onChunk) {
    unsigned long long total = 0;
    char chunk[kReadChunkBytes];
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request, chunk, sizeof(chunk), &read)) return kInetNetwork;
        if (read == 0) break;
        total += read;
        int result = onChunk(chunk, read, total);
        if (result != kInetDone) return result;
    }
    if (contentLength && total < *contentLength) return kInetNetwork;
    return kInetDone;
}

int ReceiveToFile(HINTERNET request, PartialDownloadFile& file, DWORD contentLength, InetProgressCallback callback,
                  void* context) {
    SpeedMeter meter;
    return ReadBody(request, &contentLength, [&](const char* data, DWORD size, unsigned long long total) {
        if (!file.Write(data, size)) return static_cast<int>(kInetFile);
        if (!callback) return static_cast<int>(kInetDone);
        int speed = meter.Update(total);
        if (contentLength == 0) {
            callback(context, 100, speed);
        } else if (!callback(context, static_cast<int>(total * 100 / contentLength), speed)) {
            return static_cast<int>(kInetCancelled);
        }
        return static_cast<int>(kInetDone);
    });
}

int Download(const wchar_t* url, PartialDownloadFile& file, InetProgressCallback callback, void* context,
             bool noCache) {
    UrlParts parts(url);
    InetHandleSet set;
    set.headers = kNoCacheHeader;
    if (noCache) set.headers += kNotModifiedHeader;
    if (!OpenAndSend(set, parts)) return kInetNetwork;
    int status = StatusResult(set.request.get());
    if (status != kInetDone) return status;
    DWORD contentLength = 0;
    if (!QueryNumber(set.request.get(), HTTP_QUERY_CONTENT_LENGTH, &contentLength)) return kInetNoLength;
    return ReceiveToFile(set.request.get(), file, contentLength, callback, context);
}

}  // namespace

UrlParts::UrlParts(const wchar_t* url) {
    std::wstring hostBuffer(kUrlPartChars, L'\0');
    std::wstring pathBuffer(kUrlPartChars, L'\0');
    URL_COMPONENTSW components = {};
    components.dwStructSize = sizeof(components);
    components.lpszHostName = &hostBuffer[0];
    components.dwHostNameLength = kUrlPartChars;
    components.lpszUrlPath = &pathBuffer[0];
    components.dwUrlPathLength = kUrlPartChars;
    if (!url || !InternetCrackUrlW(url, static_cast<DWORD>(wcslen(url)), ICU_DECODE, &components)) return;
    host.assign(hostBuffer.c_str());
    path.assign(pathBuffer.c_str());
    port = components.nPort;
    scheme = components.nScheme;
}

int HttpDownloadToFile(const wchar_t* url, const wchar_t* filePath, InetProgressCallback callback, void* context,
                       bool noCache) {
    // Written under a temporary name and renamed only when complete; on any
    // other result the temporary file goes and a file at filePath stays as it was.
    if (!filePath) return kInetFile;
    PartialDownloadFile file(filePath);
    if (!file.Create()) return kInetFile;
    int result = Download(url, file, callback, context, noCache);
    if (result == kInetDone && !file.Commit()) return kInetFile;
    return result;
}

int HttpGetVersionInfo(std::string& body) {
    std::wstring url = L"http://" + GetUpdateHost() + L"/version/get";
    UrlParts parts(url.c_str());
    InetHandleSet set;
    set.headers = kNoCacheHeader;
    if (!OpenAndSend(set, parts)) return kInetNetwork;
    int status = StatusResult(set.request.get());
    if (status != kInetDone) return status;
    DWORD contentLength = 0;
    bool haveLength = QueryNumber(set.request.get(), HTTP_QUERY_CONTENT_LENGTH, &contentLength);
    return ReadBody(set.request.get(), haveLength ? &contentLength : nullptr,
                    [&](const char* data, DWORD size, unsigned long long) {
                        body.append(data, size);
                        return static_cast<int>(kInetDone);
                    });
}
