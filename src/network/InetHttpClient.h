#pragma once
// The plain WinINet client speaking HTTP/1.0: file downloads with a progress
// callback and the self-update check's GET of "/version/get". Synchronous,
// called on worker threads; keeps nothing between calls and does not log:
// it answers with the result codes below.
//
// This header leaves <wininet.h> out so it can sit beside <winhttp.h> users.
#include <windows.h>

#include <string>

// Result codes of HttpDownloadToFile and HttpGetVersionInfo.
enum InetResult : int {
    kInetDone = 0,         // status 200, body written or appended
    kInetCancelled = -1,   // the progress callback returned false
    kInetNetwork = -2,     // session, connection or request failed, or the transfer broke off
    kInetFile = -3,        // the target file could not be created or written
    kInetNoLength = -4,    // no readable Content-Length (download only)
    // any other value: the HTTP status of an answer other than 200
};

// Called on the downloading thread; false cancels the transfer.
using InetProgressCallback = bool (*)(void* context, int percent, int bytesPerSecond);

// A URL split by InternetCrackUrlW (ICU_DECODE). A URL that does not crack
// leaves every part empty and the port 0.
struct UrlParts {
    explicit UrlParts(const wchar_t* url);
    std::wstring host;
    std::wstring path;
    unsigned short port = 0;
    int scheme = 0;
};

// Downloads url into filePath. noCache adds "If-Modified-Since:0". The body
// is written under a temporary name beside filePath and takes its name only
// when complete (Content-Length matched); on any result but 0 nothing is
// left behind and a file already at filePath is kept as it was.
int HttpDownloadToFile(const wchar_t* url, const wchar_t* filePath, InetProgressCallback callback, void* context,
                       bool noCache);
// GETs "http://" + the update host + "/version/get" and appends the answer to body.
int HttpGetVersionInfo(std::string& body);
