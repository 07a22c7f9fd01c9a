#pragma once
// The launcher's WinHTTP client: synchronous GET, the back-end's form POST and
// small-file downloads. One instance is owned by the main window and shared by
// its worker threads; each call opens its own connection and request handles
// and keeps its buffers on the caller's stack, so calls may run at once.
//
// This header leaves <winhttp.h> out so it can sit beside <wininet.h> users.
#include <windows.h>

#include <functional>
#include <string>

// Buffer sizes of UrlInfo, in wide characters (terminator included).
constexpr DWORD kUrlHostChars = 512;
constexpr DWORD kUrlPathChars = 512;
constexpr DWORD kUrlExtraChars = 1024;
constexpr DWORD kUrlObjectChars = 1024;
constexpr int kSchemeHttps = 2;  // INTERNET_SCHEME_HTTPS

// One URL split for a request; lives on the caller's stack.
struct UrlInfo {
    wchar_t hostName[kUrlHostChars];
    wchar_t urlPath[kUrlPathChars];
    wchar_t extraInfo[kUrlExtraChars];   // query and fragment
    wchar_t objectPath[kUrlObjectChars]; // path + extra information
    int scheme;
    WORD port;
};

// Splits url (WinHttpCrackUrl with ICU_ESCAPE). A URL whose parts do not fit
// the buffers is refused: false with the crack failure line.
bool GetUrlInfo(const wchar_t* url, UrlInfo& info);

// Progress of HttpDownload: the percent of Content-Length received so far.
struct HttpDownloadProgress {
    int percent;
};
using HttpDownloadCallback = std::function<void(const HttpDownloadProgress&)>;

// The back-end's form endpoint that HttpPost always targets:
// "https://" + the back-end API host + "/orv2/api/getFrontData.do".
std::wstring BackendFormUrl();

class CWinHttp {
public:
    CWinHttp();
    ~CWinHttp();
    CWinHttp(const CWinHttp&) = delete;
    CWinHttp& operator=(const CWinHttp&) = delete;

    // Any response with a body counts as success (the status is not read).
    // body ends up with the bytes followed by zero bytes (read it as text).
    bool HttpGet(const wchar_t* url, std::string& body, int connectTimeoutSeconds);
    // POSTs formBody (already encoded by the caller) to BackendFormUrl().
    // response gets at most the first available block, plus one zero byte.
    bool HttpPost(const std::string& formBody, std::string& response);
    // The same GET with one bound on the whole request (connect, send, the
    // answer and the whole body): when deadlineMs pass first, false with the
    // failure line of the step in progress and LastError 12002 (time-out).
    // It runs on a thread and a session of its own, so the caller is free at
    // the deadline even when a server trickles its answer; what that thread
    // still holds ends on its own soon after. body gets exactly the bytes
    // received (untouched when there are none).
    bool HttpGetWithDeadline(const wchar_t* url, std::string& body, DWORD deadlineMs);
    // Downloads url into filePath; backslashes in url are turned into '/'
    // in place. onProgress may be empty. The body is written under a
    // temporary name beside filePath, which it takes only when complete: a
    // failed download leaves no file behind and keeps one already there.
    bool HttpDownload(wchar_t* url, const wchar_t* filePath, HttpDownloadCallback onProgress);

private:
    void* session_ = nullptr;   // HINTERNET of WinHttpOpen; null when it failed
    std::wstring userAgent_;
};
