#pragma once
// The cookie visitor that looks for the account cookie "_bp_ff_". The engine
// calls Visit on its cookie (IO) thread; what the visits found is kept in a
// record shared with whoever reads it on another thread, so a reader never
// sees a half-copied cookie.
//
// The record keeps the last "_bp_ff_" cookie any visit met; a visit that
// does not meet it leaves the record as it was, and nothing clears it. The
// engine holds the visitor for as long as a visit runs, so once every
// reference is gone the record reports the visits done: a caller that wants
// the result of one visit makes a fresh visitor, drops its own reference
// after asking the engine to visit, and waits on the record.
#include <windows.h>

#include <condition_variable>
#include <memory>
#include <mutex>

#include "include/cef_cookie.h"

constexpr wchar_t kAccountCookieName[] = L"_bp_ff_";

class COrvCookieVisitor : public CefCookieVisitor {
public:
    class Record {
    public:
        // Any thread. The kept cookie; false (cookie untouched) while none was met.
        bool GetCookie(CefCookie* cookie) const;
        // Any thread. True once the visitor is gone (every visit made with
        // it has ended); false when timeoutMs passed first.
        bool WaitVisitsDone(DWORD timeoutMs) const;

    private:
        friend class COrvCookieVisitor;
        mutable std::mutex lock_;
        mutable std::condition_variable doneChanged_;
        CefCookie cookie_;
        bool found_ = false;
        bool done_ = false;
    };

    COrvCookieVisitor();
    std::shared_ptr<const Record> GetRecord() const { return record_; }

    // IO thread: false stops the visit.
    bool Visit(const CefCookie& cookie, int count, int total, bool& deleteCookie) override;

private:
    ~COrvCookieVisitor() override;

    const std::shared_ptr<Record> record_;
    IMPLEMENT_REFCOUNTING(COrvCookieVisitor);
};
