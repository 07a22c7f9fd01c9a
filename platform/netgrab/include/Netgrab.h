#pragma once
// Netgrab.dll: downloads one file over HTTPS (or HTTP) into a local path.
// One export, a C++ free function (cdecl) taking standard strings: the DLL and
// its callers must be built by the same compiler with the same flags.
// Synchronous; any thread; nothing is kept between calls.
#include <string>

#ifdef NETGRAB_BUILD
#define NETGRAB_API __declspec(dllexport)
#else
#define NETGRAB_API __declspec(dllimport)
#endif

// Options of one download, passed by value. The launcher sends
// {0, 0, 1, 0, "", 5}, and {0, 0, 1, 0, "", 10} on its one retry.
struct HttpsDownloadOptions {
    int reserved1 = 0;
    int reserved2 = 0;
    unsigned char verifyPeer = 1;   // 1: the server certificate must chain to a trusted root
    unsigned char reserved3 = 0;
    std::string reserved4;
    int timeoutSeconds = 5;         // each of connect, send and every wait for data
};

// Results (numbered like the curl library's error codes).
enum NetgrabResult : int {
    kNetgrabOk = 0,                  // the file is written at the path
    kNetgrabUnsupportedProtocol = 1, // neither http nor https
    kNetgrabFailed = 2,              // any other failure
    kNetgrabBadUrl = 3,
    kNetgrabHostNotFound = 6,
    kNetgrabCannotConnect = 7,
    kNetgrabBadServerReply = 8,
    kNetgrabPartialFile = 18,        // the body ended before its Content-Length
    kNetgrabHttpError = 22,          // status 400 or above
    kNetgrabWriteError = 23,         // the file could not be created or written
    kNetgrabTimeout = 28,            // worth one retry with a longer time-out
    kNetgrabTlsConnect = 35,         // TLS handshake failed; worth one retry
    kNetgrabReceiveError = 56,       // the connection broke during the transfer
    kNetgrabPeerCertificate = 60,    // the server certificate is not trusted
};

// url and filePath are in the thread's ANSI code page. The file takes its
// name only once the whole body is in: on any result but 0 nothing is left
// behind, and a file already at filePath is kept as it was.
NETGRAB_API int HttpsDownloadFile(const std::string& url, const std::string& filePath,
                                  HttpsDownloadOptions options);
