// The account cookie "_bp_ff_": the visitor's rules, and the bounded visit,
// set and delete against the engine's store (the account site is the
// shipped one, as this program has no qxtarrow.ini).
#include <gtest/gtest.h>

#include <ctime>

#include "AccountCookie.h"
#include "OrvCookieVisitor.h"

namespace {

constexpr DWORD kWaitMs = 5000;

CefCookie Cookie(const wchar_t* name, const wchar_t* value) {
    CefCookie c;
    c.name = name;
    c.value = value;
    c.domain = L"127.0.0.1";
    c.path = L"/";
    return c;
}

// Visits with the visitor the way the engine does: cookie by cookie until it answers false.
int Visit(CefRefPtr<COrvCookieVisitor> visitor, const std::vector<CefCookie>& cookies) {
    int seen = 0;
    bool remove = false;
    for (size_t k = 0; k < cookies.size(); ++k) {
        ++seen;
        if (!visitor->Visit(cookies[k], static_cast<int>(k), static_cast<int>(cookies.size()), remove)) break;
    }
    EXPECT_FALSE(remove);
    return seen;
}

TEST(OrvCookieVisitor, StopsAtTheAccountCookieAndKeepsTheLastOneMet) {
    CefRefPtr<COrvCookieVisitor> visitor = new COrvCookieVisitor();
    auto record = visitor->GetRecord();
    CefCookie kept;
    EXPECT_FALSE(record->GetCookie(&kept));
    // Empty values and other names are passed over; the account cookie ends the visit.
    EXPECT_EQ(3, Visit(visitor, {Cookie(L"_bp_ff_", L""), Cookie(L"sid", L"1"), Cookie(L"_bp_ff_", L"tok-A"),
                                 Cookie(L"_bp_ff_", L"later")}));
    ASSERT_TRUE(record->GetCookie(&kept));
    EXPECT_EQ(L"tok-A", kept.value.ToWString());
    // A visit that does not meet it leaves the record as it was.
    EXPECT_EQ(1, Visit(visitor, {Cookie(L"sid", L"2")}));
    ASSERT_TRUE(record->GetCookie(&kept));
    EXPECT_EQ(L"tok-A", kept.value.ToWString());
    // count equal to total ends a visit at once.
    bool remove = false;
    EXPECT_FALSE(visitor->Visit(Cookie(L"_bp_ff_", L"tok-B"), 2, 2, remove));
    ASSERT_TRUE(record->GetCookie(&kept));
    EXPECT_EQ(L"tok-A", kept.value.ToWString());
}

TEST(OrvCookieVisitor, VisitsAreDoneOnceTheVisitorIsReleased) {
    CefRefPtr<COrvCookieVisitor> visitor = new COrvCookieVisitor();
    auto record = visitor->GetRecord();
    EXPECT_FALSE(record->WaitVisitsDone(50));
    visitor = nullptr;
    EXPECT_TRUE(record->WaitVisitsDone(0));
}

TEST(AccountCookie, SiteIsHttpsOnTheAccountHost) {
    const std::wstring url = AccountCookieUrl();
    EXPECT_EQ(0u, url.find(L"https://"));
    EXPECT_EQ(L'/', url.back());
    EXPECT_EQ(std::wstring::npos, AccountCookieDomain().find(L':'));
    EXPECT_NE(std::wstring::npos, url.find(AccountCookieDomain()));
}

FILETIME FileTimeOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME st = {};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    FILETIME ft = {};
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    return ft;
}

TEST(AccountCookie, ExpiresADayLaterAlsoPast2038) {
    // The last second a 32-bit time_t holds, and a day in 2100.
    CefTime t = AccountCookieExpiry(FileTimeOf(2038, 1, 19, 3, 14, 7));
    EXPECT_EQ(2038, t.year);
    EXPECT_EQ(1, t.month);
    EXPECT_EQ(20, t.day_of_month);
    EXPECT_EQ(3, t.hour);
    EXPECT_EQ(14, t.minute);
    EXPECT_EQ(7, t.second);
    t = AccountCookieExpiry(FileTimeOf(2100, 2, 28, 23, 0, 0));
    EXPECT_EQ(2100, t.year);
    EXPECT_EQ(3, t.month);  // 2100 is no leap year
    EXPECT_EQ(1, t.day_of_month);
    EXPECT_EQ(23, t.hour);
}

TEST(AccountCookie, SetVisitDeleteEachFinishBeforeTheyReturn) {
    ASSERT_EQ(CookieStoreResult::Done, DeleteAccountCookie(kWaitMs));
    CefCookie cookie;
    bool found = true;
    ASSERT_EQ(CookieStoreResult::Done, VisitAccountCookie(&cookie, &found, kWaitMs));
    EXPECT_FALSE(found);

    bool stored = false;
    ASSERT_EQ(CookieStoreResult::Done, SetAccountCookie(L"tok-A", kWaitMs, &stored));
    EXPECT_TRUE(stored);
    ASSERT_EQ(CookieStoreResult::Done, VisitAccountCookie(&cookie, &found, kWaitMs));
    ASSERT_TRUE(found);
    EXPECT_EQ(L"tok-A", cookie.value.ToWString());
    EXPECT_EQ(L"/", cookie.path.ToWString());
    EXPECT_FALSE(cookie.secure);
    EXPECT_FALSE(cookie.httponly);
    ASSERT_TRUE(cookie.has_expires);
    const time_t inADay = time(nullptr) + 24 * 60 * 60;
    EXPECT_LE(std::abs(static_cast<long long>(cookie.expires.GetTimeT() - inADay)), 120);

    // An account change: a fresh visit sees the new token at once.
    ASSERT_EQ(CookieStoreResult::Done, DeleteAccountCookie(kWaitMs));
    ASSERT_EQ(CookieStoreResult::Done, SetAccountCookie(L"tok-B", kWaitMs, &stored));
    ASSERT_EQ(CookieStoreResult::Done, VisitAccountCookie(&cookie, &found, kWaitMs));
    ASSERT_TRUE(found);
    EXPECT_EQ(L"tok-B", cookie.value.ToWString());

    ASSERT_EQ(CookieStoreResult::Done, DeleteAccountCookie(kWaitMs));
    ASSERT_EQ(CookieStoreResult::Done, VisitAccountCookie(&cookie, &found, kWaitMs));
    EXPECT_FALSE(found);
}

}  // namespace
