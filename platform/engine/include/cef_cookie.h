#pragma once
// The cookie store. One persistent store per cache path, shared by every
// process that names the same path. Operations run on the IO thread.
#include <vector>
#include "include/cef_base.h"
#include "include/cef_callback.h"

class CefCookieVisitor;
class CefSetCookieCallback;
class CefDeleteCookiesCallback;

class CefCookieManager : public virtual CefBase {
public:
    // The manager of the store in the settings' cache path. Null before the
    // engine is initialised. callback, when given, runs on the IO thread once
    // the store is ready.
    static CefRefPtr<CefCookieManager> GetGlobalManager(CefRefPtr<CefCompletionCallback> callback);

    virtual void SetSupportedSchemes(const std::vector<CefString>& schemes, CefRefPtr<CefCompletionCallback> callback) = 0;
    // Each returns at once (true = request accepted); the work happens on the IO thread.
    virtual bool VisitAllCookies(CefRefPtr<CefCookieVisitor> visitor) = 0;
    virtual bool VisitUrlCookies(const CefString& url, bool includeHttpOnly, CefRefPtr<CefCookieVisitor> visitor) = 0;
    virtual bool SetCookie(const CefString& url, const CefCookie& cookie, CefRefPtr<CefSetCookieCallback> callback) = 0;
    // Empty url: every cookie. Empty name: every cookie of the url.
    virtual bool DeleteCookies(const CefString& url, const CefString& cookie_name,
                               CefRefPtr<CefDeleteCookiesCallback> callback) = 0;
    virtual bool SetStoragePath(const CefString& path, bool persist_session_cookies,
                                CefRefPtr<CefCompletionCallback> callback) = 0;
    virtual bool FlushStore(CefRefPtr<CefCompletionCallback> callback) = 0;
};

class CefCookieVisitor : public virtual CefBase {
public:
    // IO thread. Return false to stop visiting; set deleteCookie to delete it.
    virtual bool Visit(const CefCookie& cookie, int count, int total, bool& deleteCookie) = 0;
};

class CefSetCookieCallback : public virtual CefBase {
public:
    virtual void OnComplete(bool success) = 0;
};

class CefDeleteCookiesCallback : public virtual CefBase {
public:
    virtual void OnComplete(int num_deleted) = 0;
};
