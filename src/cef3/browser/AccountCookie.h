#pragma once
// The account cookie "_bp_ff_" in the engine's global cookie store, which
// the launcher and the player share: its site is the scheme https and the
// host of the deployment's account site ([main] Account_url of
// qxtarrow.ini), path "/". The engine does the work on its IO thread; each
// call here waits for it, bounded by timeoutMs, so what follows (a tab that
// loads, a token handed over) sees the store as changed. Callable from any
// thread but the engine's IO thread.
#include <windows.h>

#include <string>

#include "include/cef_cookie.h"

enum class CookieStoreResult {
    Done,       // the engine finished the request in time
    NoManager,  // the engine has no global cookie manager (not started)
    Refused,    // the engine did not accept the request
    TimedOut,   // accepted, but not finished within the time
};

// "https://<account host[:port]>/"
std::wstring AccountCookieUrl();
// The account host without port: the cookie's domain.
std::wstring AccountCookieDomain();

// The expiry of a cookie set at now (UTC): one day later, counted on
// FILETIME, as a 32-bit time_t ends in January 2038.
CefTime AccountCookieExpiry(const FILETIME& now);

// Looks for the cookie with a fresh COrvCookieVisitor (HTTP-only cookies
// included). *found tells whether it was met; *cookie receives it.
CookieStoreResult VisitAccountCookie(CefCookie* cookie, bool* found, DWORD timeoutMs);
// Deletes the cookie.
CookieStoreResult DeleteAccountCookie(DWORD timeoutMs);
// Sets the cookie to value (also an empty one): not secure, not HTTP-only,
// expiring one day from now. *stored tells whether the store took it.
CookieStoreResult SetAccountCookie(const std::wstring& value, DWORD timeoutMs, bool* stored);
