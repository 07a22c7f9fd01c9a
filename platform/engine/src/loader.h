#pragma once
// Fetches documents and scripts: file:// from disk, http(s):// with WinHTTP
// (cookies from and into the store), about:blank as an empty document.
#include <string>

#include "cookie_store.h"

namespace cefstub {

struct FetchResult {
    bool ok = false;
    int status = 0;           // HTTP status; 200 for files, 0 for about:
    std::string body;         // bytes as received
    int errorCode = 0;        // cef_errorcode_t when !ok
    std::wstring errorText;   // "ERR_FILE_NOT_FOUND" ...
    std::wstring finalUrl;    // after redirects
};

FetchResult Fetch(const std::wstring& url, CookieStore* cookies);
// Sets up what a process's first secure fetch would otherwise set up itself:
// the TLS provider and the root certificate store (under Wine the latter
// takes a good part of a second). Renderers call it as they start, before
// they serve their first message, so a renderer started ahead loads its
// first page sooner, and nothing the browser process asks for (an exit, a
// "KillProcess") ends the renderer in the middle of it: under Wine the root
// import runs under a lock every process shares, and a process that ends in
// the middle of it leaves the next ones' first secure fetch waiting.
void WarmUpSecureFetches();
// UTF-8 bytes (with or without BOM) to text.
std::wstring DecodeText(const std::string& bytes);

}  // namespace cefstub
