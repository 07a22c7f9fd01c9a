#pragma once
// The persistent cookie store of one cache folder. Every operation takes a
// named mutex derived from the folder, reads the file, and writes it back
// whole (through a temporary file), so several processes can share one store.
// Cookie times are 64-bit seconds throughout (util.h), never time_t.
#include <cstdint>
#include <string>
#include <vector>

#include "include/internal/cef_types_wrappers.h"
#include "util.h"

namespace cefstub {

class CookieStore {
public:
    explicit CookieStore(const std::wstring& folder);

    bool valid() const { return !file_.empty(); }
    // Cookies that apply to url (every cookie when url is empty).
    std::vector<CefCookie> Get(const std::wstring& url, bool includeHttpOnly);
    // Stores or replaces a cookie for url. False when the cookie does not fit the URL.
    bool Set(const std::wstring& url, const CefCookie& cookie);
    // Deletes the cookies of url (every one when url is empty) named name (any when empty).
    int Delete(const std::wstring& url, const std::wstring& name);
    // Deletes exactly this cookie (name, domain and path).
    void DeleteExact(const CefCookie& cookie);
    // "a=1; b=2" for a request or document.cookie.
    std::wstring CookieHeader(const std::wstring& url, bool includeHttpOnly);
    // One Set-Cookie header line, or one document.cookie assignment.
    bool SetFromLine(const std::wstring& url, const std::wstring& line, bool fromScript);

private:
    struct Locked;
    std::vector<CefCookie> Load();
    bool Save(const std::vector<CefCookie>& cookies);

    std::wstring file_;
    std::wstring mutexName_;
};

// Parses a Set-Cookie line; false when it has no name=value pair. Dates
// past 2038 stay as they are (nowSeconds: NowSeconds()).
bool ParseCookieLine(const std::wstring& line, CefCookie* cookie, int64_t nowSeconds);

}  // namespace cefstub
