#include "OrvCookieVisitor.h"

#include <chrono>

#include "LogWriter.h"

bool COrvCookieVisitor::Record::GetCookie(CefCookie* cookie) const {
    std::lock_guard<std::mutex> hold(lock_);
    if (!found_) return false;
    if (cookie) *cookie = cookie_;
    return true;
}

bool COrvCookieVisitor::Record::WaitVisitsDone(DWORD timeoutMs) const {
    std::unique_lock<std::mutex> hold(lock_);
    return doneChanged_.wait_for(hold, std::chrono::milliseconds(timeoutMs), [this] { return done_; });
}

COrvCookieVisitor::COrvCookieVisitor() : record_(std::make_shared<Record>()) {}

COrvCookieVisitor::~COrvCookieVisitor() {
    std::lock_guard<std::mutex> hold(record_->lock_);
    record_->done_ = true;
    record_->doneChanged_.notify_all();
}

bool COrvCookieVisitor::Visit(const CefCookie& cookie, int count, int total, bool& deleteCookie) {
    (void)deleteCookie;
    if (count == total) return false;
    if (cookie.name.empty() || cookie.value.empty()) return true;
    LOG_DEBUG(L"cookie key=%s v=%s domain=%s path=%s", cookie.name.c_str(), cookie.value.c_str(),
              cookie.domain.c_str(), cookie.path.c_str());
    if (cookie.name != CefString(kAccountCookieName)) return true;
    std::lock_guard<std::mutex> hold(record_->lock_);
    record_->cookie_ = cookie;
    record_->found_ = true;
    return false;
}
