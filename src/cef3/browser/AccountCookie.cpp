#include "AccountCookie.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "DeploymentHosts.h"
#include "OrvCookieVisitor.h"

namespace {

constexpr ULONGLONG kCookieLife100ns = 24ULL * 60 * 60 * 10000000;

// One completion of a set or delete request, waited for by the caller. The
// engine holds the callback until it runs; the state outlives both.
class CookieCompletion : public CefSetCookieCallback, public CefDeleteCookiesCallback {
public:
    struct State {
        std::mutex lock;
        std::condition_variable changed;
        bool done = false;
        bool success = false;
    };

    CookieCompletion() : state_(std::make_shared<State>()) {}
    std::shared_ptr<State> GetState() const { return state_; }

    void OnComplete(bool success) override { Finish(success); }
    void OnComplete(int numDeleted) override { Finish(numDeleted >= 0); }

    static bool Wait(const std::shared_ptr<State>& state, DWORD timeoutMs, bool* success) {
        std::unique_lock<std::mutex> hold(state->lock);
        if (!state->changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return state->done; }))
            return false;
        if (success) *success = state->success;
        return true;
    }

private:
    void Finish(bool success) {
        std::lock_guard<std::mutex> hold(state_->lock);
        state_->done = true;
        state_->success = success;
        state_->changed.notify_all();
    }

    const std::shared_ptr<State> state_;
    IMPLEMENT_REFCOUNTING(CookieCompletion);
};

}  // namespace

std::wstring AccountCookieUrl() {
    return L"https://" + HostOfUrl(GetDeploymentUrl(DeploymentSite::Account)) + L"/";
}

std::wstring AccountCookieDomain() {
    std::wstring host = HostOfUrl(GetDeploymentUrl(DeploymentSite::Account));
    size_t colon = host.rfind(L':');
    return colon == std::wstring::npos ? host : host.substr(0, colon);
}

CefTime AccountCookieExpiry(const FILETIME& now) {
    ULARGE_INTEGER later;
    later.LowPart = now.dwLowDateTime;
    later.HighPart = now.dwHighDateTime;
    later.QuadPart += kCookieLife100ns;
    const FILETIME laterFileTime = {later.LowPart, later.HighPart};
    SYSTEMTIME st = {};
    CefTime expiry;
    if (!FileTimeToSystemTime(&laterFileTime, &st)) return expiry;  // past the year 30827: no date
    expiry.year = st.wYear;
    expiry.month = st.wMonth;
    expiry.day_of_week = st.wDayOfWeek;
    expiry.day_of_month = st.wDay;
    expiry.hour = st.wHour;
    expiry.minute = st.wMinute;
    expiry.second = st.wSecond;
    expiry.millisecond = st.wMilliseconds;
    return expiry;
}

CookieStoreResult VisitAccountCookie(CefCookie* cookie, bool* found, DWORD timeoutMs) {
    if (found) *found = false;
    CefRefPtr<CefCookieManager> manager = CefCookieManager::GetGlobalManager(nullptr);
    if (!manager) return CookieStoreResult::NoManager;
    CefRefPtr<COrvCookieVisitor> visitor = new COrvCookieVisitor();
    std::shared_ptr<const COrvCookieVisitor::Record> record = visitor->GetRecord();
    if (!manager->VisitUrlCookies(AccountCookieUrl(), true, visitor)) return CookieStoreResult::Refused;
    visitor = nullptr;  // the engine's reference alone keeps it while the visit runs
    bool done = record->WaitVisitsDone(timeoutMs);
    bool met = record->GetCookie(cookie);
    if (found) *found = met;
    return done ? CookieStoreResult::Done : CookieStoreResult::TimedOut;
}

CookieStoreResult DeleteAccountCookie(DWORD timeoutMs) {
    CefRefPtr<CefCookieManager> manager = CefCookieManager::GetGlobalManager(nullptr);
    if (!manager) return CookieStoreResult::NoManager;
    CefRefPtr<CookieCompletion> completion = new CookieCompletion();
    std::shared_ptr<CookieCompletion::State> state = completion->GetState();
    if (!manager->DeleteCookies(AccountCookieUrl(), kAccountCookieName, completion.get()))
        return CookieStoreResult::Refused;
    completion = nullptr;
    return CookieCompletion::Wait(state, timeoutMs, nullptr) ? CookieStoreResult::Done : CookieStoreResult::TimedOut;
}

CookieStoreResult SetAccountCookie(const std::wstring& value, DWORD timeoutMs, bool* stored) {
    if (stored) *stored = false;
    CefRefPtr<CefCookieManager> manager = CefCookieManager::GetGlobalManager(nullptr);
    if (!manager) return CookieStoreResult::NoManager;
    CefCookie cookie;
    cookie.name = kAccountCookieName;
    cookie.value = value;
    cookie.domain = AccountCookieDomain();
    cookie.path = L"/";
    cookie.secure = 0;
    cookie.httponly = 0;
    cookie.has_expires = 1;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    cookie.expires = AccountCookieExpiry(now);
    CefRefPtr<CookieCompletion> completion = new CookieCompletion();
    std::shared_ptr<CookieCompletion::State> state = completion->GetState();
    if (!manager->SetCookie(AccountCookieUrl(), cookie, completion.get())) return CookieStoreResult::Refused;
    completion = nullptr;
    return CookieCompletion::Wait(state, timeoutMs, stored) ? CookieStoreResult::Done : CookieStoreResult::TimedOut;
}
