// The global cookie manager: the store of the settings' cache path, worked
// on the IO thread.
#include "include/cef_cookie.h"

#include "engine.h"

namespace cefstub {
namespace {

class CookieManagerImpl : public CefCookieManager {
public:
    void SetSupportedSchemes(const std::vector<CefString>&, CefRefPtr<CefCompletionCallback> callback) override {
        Complete(callback);
    }
    bool VisitAllCookies(CefRefPtr<CefCookieVisitor> visitor) override {
        return VisitUrlCookies(CefString(), true, visitor);
    }
    bool VisitUrlCookies(const CefString& url, bool includeHttpOnly, CefRefPtr<CefCookieVisitor> visitor) override {
        if (!visitor) return false;
        std::wstring u = url;
        return PostToThread(TID_IO, [u, includeHttpOnly, visitor] {
            CookieStore* store = Store();
            if (!store) return;
            std::vector<CefCookie> cookies = store->Get(u, includeHttpOnly);
            int total = static_cast<int>(cookies.size());
            for (int k = 0; k < total; ++k) {
                bool remove = false;
                bool more = visitor->Visit(cookies[static_cast<size_t>(k)], k, total, remove);
                if (remove) store->DeleteExact(cookies[static_cast<size_t>(k)]);
                if (!more) break;
            }
        });
    }
    bool SetCookie(const CefString& url, const CefCookie& cookie, CefRefPtr<CefSetCookieCallback> callback) override {
        std::wstring u = url;
        return PostToThread(TID_IO, [u, cookie, callback] {
            CookieStore* store = Store();
            bool ok = store && store->Set(u, cookie);
            if (callback) callback->OnComplete(ok);
        });
    }
    bool DeleteCookies(const CefString& url, const CefString& cookie_name,
                       CefRefPtr<CefDeleteCookiesCallback> callback) override {
        std::wstring u = url, name = cookie_name;
        return PostToThread(TID_IO, [u, name, callback] {
            CookieStore* store = Store();
            int n = store ? store->Delete(u, name) : 0;
            if (callback) callback->OnComplete(n);
        });
    }
    bool SetStoragePath(const CefString&, bool, CefRefPtr<CefCompletionCallback> callback) override {
        Complete(callback);
        return false;
    }
    bool FlushStore(CefRefPtr<CefCompletionCallback> callback) override {
        Complete(callback);
        return true;
    }

    static void Complete(CefRefPtr<CefCompletionCallback> callback) {
        if (callback) PostToThread(TID_IO, [callback] { callback->OnComplete(); });
    }

private:
    static CookieStore* Store() {
        Engine* e = Engine::Get();
        return e ? e->cookies() : nullptr;
    }
    IMPLEMENT_REFCOUNTING(CookieManagerImpl);
};

}  // namespace
}  // namespace cefstub

CefRefPtr<CefCookieManager> CefCookieManager::GetGlobalManager(CefRefPtr<CefCompletionCallback> callback) {
    if (!cefstub::Engine::Get()) return nullptr;
    static CefRefPtr<CefCookieManager> manager = new cefstub::CookieManagerImpl();
    cefstub::CookieManagerImpl::Complete(callback);
    return manager;
}
