// Cookies: the cookie manager (set, visit and delete on the IO thread), the
// pages' document.cookie and HTTP headers, and one store shared by two
// programs at once.
#include "TinyHttpServer.h"

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "Harness.h"
#include "RemoteClient.h"
#include "include/cef_cookie.h"

namespace {

class Visitor : public CefCookieVisitor {
public:
    explicit Visitor(bool deleteAll = false) : deleteAll_(deleteAll) {}
    bool Visit(const CefCookie& cookie, int, int, bool& deleteCookie) override {
        std::lock_guard<std::mutex> lock(lock_);
        names_ += cookie.name.ToWString() + L"=" + cookie.value.ToWString() + L";";
        onIo_ = onIo_ && CefCurrentlyOn(TID_IO);
        deleteCookie = deleteAll_;
        return true;
    }
    std::wstring names() { std::lock_guard<std::mutex> lock(lock_); return names_; }
    bool onIo() { std::lock_guard<std::mutex> lock(lock_); return onIo_; }

private:
    std::mutex lock_;
    std::wstring names_;
    bool onIo_ = true;
    bool deleteAll_;
    IMPLEMENT_REFCOUNTING(Visitor);
};

class SetDone : public CefSetCookieCallback {
public:
    void OnComplete(bool success) override { result = success ? 1 : 2; onIo = CefCurrentlyOn(TID_IO); }
    std::atomic<int> result{0};
    std::atomic<bool> onIo{false};
    IMPLEMENT_REFCOUNTING(SetDone);
};

class DeleteDone : public CefDeleteCookiesCallback {
public:
    void OnComplete(int n) override { count = n; done = true; }
    std::atomic<int> count{-1};
    std::atomic<bool> done{false};
    IMPLEMENT_REFCOUNTING(DeleteDone);
};

bool SetCookieAndWait(const std::wstring& url, const CefCookie& c, bool* onIo = nullptr) {
    CefRefPtr<SetDone> done = new SetDone();
    if (!CefCookieManager::GetGlobalManager(nullptr)->SetCookie(url, c, done.get())) return false;
    if (!EngineTest::WaitPumping([&] { return done->result != 0; }, 5000)) return false;
    if (onIo) *onIo = done->onIo;
    return done->result == 1;
}

// Visits and gives "a=1;b=2;" (waits until the visit has settled).
std::wstring VisitNames(const std::wstring& url, bool includeHttpOnly = true) {
    CefRefPtr<Visitor> v = new Visitor();
    EXPECT_TRUE(CefCookieManager::GetGlobalManager(nullptr)->VisitUrlCookies(url, includeHttpOnly, v.get()));
    // The visit is asynchronous: a task queued after it has run once it has finished.
    std::atomic<bool> flushed{false};
    class Flag : public CefCompletionCallback {
    public:
        explicit Flag(std::atomic<bool>* f) : f_(f) {}
        void OnComplete() override { *f_ = true; }
        std::atomic<bool>* f_;
        IMPLEMENT_REFCOUNTING(Flag);
    };
    CefCookieManager::GetGlobalManager(nullptr)->FlushStore(new Flag(&flushed));
    EngineTest::WaitPumping([&] { return flushed.load(); }, 5000);
    EXPECT_TRUE(v->onIo());
    return v->names();
}

CefCookie MakeCookie(const wchar_t* name, const wchar_t* value) {
    CefCookie c;
    c.name = name;
    c.value = value;
    c.path = L"/";
    c.has_expires = 1;
    c.expires.SetTimeT(time(nullptr) + 86400);
    return c;
}

}  // namespace

TEST(EngineCookies, ManagerSetVisitDeleteHonourPathSecureAndExpiry) {
    TinyHttpServer server;
    ASSERT_TRUE(server.Start());
    std::wstring root = server.Url("/");
    CefRefPtr<DeleteDone> cleared = new DeleteDone();
    CefCookieManager::GetGlobalManager(nullptr)->DeleteCookies(L"", L"", cleared.get());
    ASSERT_TRUE(EngineTest::WaitPumping([&] { return cleared->done.load(); }, 5000));

    bool onIo = false;
    ASSERT_TRUE(SetCookieAndWait(root, MakeCookie(L"_bp_ff_", L"token"), &onIo));
    EXPECT_TRUE(onIo);
    CefCookie deep = MakeCookie(L"deep", L"1");
    deep.path = L"/app";
    ASSERT_TRUE(SetCookieAndWait(root, deep));
    CefCookie secure = MakeCookie(L"sec", L"1");
    secure.secure = 1;
    ASSERT_TRUE(SetCookieAndWait(root, secure));
    CefCookie expired = MakeCookie(L"old", L"1");
    expired.expires.SetTimeT(time(nullptr) - 10);
    EXPECT_TRUE(SetCookieAndWait(root, expired));
    // A cookie for another domain is refused.
    CefCookie foreign = MakeCookie(L"foreign", L"1");
    foreign.domain = L"example.com";
    EXPECT_FALSE(SetCookieAndWait(root, foreign));

    EXPECT_EQ(L"_bp_ff_=token;", VisitNames(root));
    EXPECT_EQ(L"deep=1;_bp_ff_=token;", VisitNames(server.Url("/app/page")));
    EXPECT_EQ(L"_bp_ff_=token;", VisitNames(server.Url("/application")));

    CefRefPtr<DeleteDone> del = new DeleteDone();
    ASSERT_TRUE(CefCookieManager::GetGlobalManager(nullptr)->DeleteCookies(root, L"_bp_ff_", del.get()));
    ASSERT_TRUE(EngineTest::WaitPumping([&] { return del->done.load(); }, 5000));
    EXPECT_EQ(1, del->count.load());
    EXPECT_EQ(L"", VisitNames(root));
}

TEST(EngineCookies, PagesSeeTheStoreThroughDocumentCookieAndHeaders) {
    TinyHttpServer server;
    ASSERT_TRUE(server.Start());
    server.Set("/login", {200, "Set-Cookie: session=abc; Path=/; HttpOnly\r\nSet-Cookie: theme=dark; Path=/\r\n",
                          "<html><head><title>Login</title></head><body>ok</body></html>"});
    server.Set("/page", {200, "", "<html><head><title>Page</title>"
                                  "<script>document.cookie = 'fromScript=1; path=/';"
                                  "document.cookie = 'session=stolen';"
                                  "document.title = 'cookies: ' + document.cookie;</script></head></html>"});
    ASSERT_TRUE(SetCookieAndWait(server.Url("/"), MakeCookie(L"manager", L"m")));
    CefRefPtr<Recorder> client = new Recorder();
    CefRefPtr<CefBrowser> b = EngineTest::CreateBrowser(client, server.Url("/login"));
    ASSERT_TRUE(b);
    ASSERT_TRUE(client->WaitForKind(L"Title", L"Login"));
    b->GetMainFrame()->LoadURL(server.Url("/page"));
    Event title;
    ASSERT_TRUE(client->WaitFor([](const Event& e) { return e.kind == L"Title" && e.a.find(L"cookies:") == 0; }, &title));
    // HttpOnly cookies are hidden from (and not replaced by) script.
    EXPECT_EQ(std::wstring::npos, title.a.find(L"session"));
    EXPECT_NE(std::wstring::npos, title.a.find(L"theme=dark"));
    EXPECT_NE(std::wstring::npos, title.a.find(L"manager=m"));
    EXPECT_NE(std::wstring::npos, title.a.find(L"fromScript=1"));
    auto sent = server.CookiesFor("/page");
    ASSERT_FALSE(sent.empty());
    EXPECT_NE(std::string::npos, sent[0].find("session=abc"));
    EXPECT_NE(std::string::npos, VisitNames(server.Url("/")).find(L"fromScript=1"));
    EXPECT_NE(std::wstring::npos, VisitNames(server.Url("/")).find(L"session=abc"));
    EXPECT_EQ(std::wstring::npos, VisitNames(server.Url("/"), false).find(L"session=abc"));
    b->GetHost()->CloseBrowser(true);
    client->WaitForKind(L"Closed", L"", nullptr, 5000);
}

TEST(EngineCookies, TwoProgramsShareOneStore) {
    TinyHttpServer server;
    ASSERT_TRUE(server.Start());
    server.Set("/", {200, "", "<html><head><title>Shared</title></head><body>shared</body></html>"});
    ASSERT_TRUE(SetCookieAndWait(server.Url("/"), MakeCookie(L"first", L"1")));

    std::wstring pipe = L"cefstub-host-" + std::to_wstring(GetCurrentProcessId());
    harness::ChildProcess other;
    ASSERT_TRUE(other.Start(harness::TestDir() + L"\\engine_host.exe",
                            L"--url=" + server.Url("/") + L" --cache=\"" + EngineTest::cachePath() +
                                L"\" --remote-control-pipe=" + pipe));
    std::vector<RemoteBrowser> list;
    ASSERT_TRUE(EngineTest::WaitPumping([&] {
        list = RemoteList(pipe);
        return !list.empty() && list[0].title == L"Shared";
    }, 20000));
    std::wstring id = std::to_wstring(list[0].id);
    EXPECT_NE(std::wstring::npos, RemoteCall(pipe, L"eval " + id + L"\ndocument.cookie").find(L"first=1"));
    EXPECT_EQ(L"ok\nundefined", RemoteCall(pipe, L"eval " + id + L"\ndocument.cookie = 'second=2; max-age=600'; undefined"));
    EXPECT_NE(std::wstring::npos, VisitNames(server.Url("/")).find(L"second=2"));
    other.Kill();
}
