// The engine's parts that need no process: command lines, values and their
// encoding, URLs, HTML reading, the cookie store's rules, the engine log.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "Harness.h"
#include "cookie_store.h"
#include "document.h"
#include "include/capi/cef_command_line_capi.h"
#include "include/cef_command_line.h"
#include "include/cef_process_message.h"
#include "url.h"
#include "util.h"
#include "value.h"

using namespace cefstub;

TEST(EngineCommandLine, SwitchesWithOrWithoutDashesAndQuoting) {
    CefRefPtr<CefCommandLine> cmd = CefCommandLine::CreateCommandLine();
    cmd->InitFromString(L"\"C:\\Program Files\\app.exe\" --type=renderer --flag arg \"--path=C:\\a b\\\\\"");
    EXPECT_EQ(L"C:\\Program Files\\app.exe", cmd->GetProgram().ToWString());
    EXPECT_TRUE(cmd->HasSwitch(L"type"));
    EXPECT_TRUE(cmd->HasSwitch(L"--type"));
    EXPECT_EQ(L"renderer", cmd->GetSwitchValue(L"type").ToWString());
    EXPECT_TRUE(cmd->HasSwitch(L"flag"));
    EXPECT_EQ(L"", cmd->GetSwitchValue(L"flag").ToWString());
    EXPECT_EQ(L"C:\\a b\\", cmd->GetSwitchValue(L"path").ToWString());
    EXPECT_FALSE(cmd->HasSwitch(L"typ"));
    cmd->AppendSwitch(L"no-proxy-server");
    cmd->AppendSwitch(L"--ppapi-out-of-process");
    cmd->AppendSwitchWithValue(L"--renderer-process-limit", L"1");
    EXPECT_TRUE(cmd->HasSwitch(L"ppapi-out-of-process"));
    EXPECT_EQ(L"1", cmd->GetSwitchValue(L"renderer-process-limit").ToWString());
    // The string form parses back to the same switches.
    CefRefPtr<CefCommandLine> again = CefCommandLine::CreateCommandLine();
    again->InitFromString(cmd->GetCommandLineString());
    CefCommandLine::SwitchMap a, b;
    cmd->GetSwitches(a);
    again->GetSwitches(b);
    EXPECT_EQ(a, b);
    EXPECT_EQ(cmd->GetProgram(), again->GetProgram());
}

// CTest starts this program with --gtest_color=no.
TEST(EngineCommandLine, GlobalCommandLineThroughTheCInterface) {
    cef_command_line_t* line = cef_command_line_get_global();
    ASSERT_NE(nullptr, line);
    EXPECT_EQ(sizeof(cef_command_line_t), line->base.size);
    EXPECT_TRUE(line->base.has_one_ref(&line->base));
    cef_string_t name = {};
    ASSERT_TRUE(cef_string_set(L"gtest_color", 11, &name, 1));
    EXPECT_TRUE(line->has_switch(line, &name));
    cef_string_userfree_t value = line->get_switch_value(line, &name);
    ASSERT_NE(nullptr, value);
    EXPECT_EQ(L"no", std::wstring(value->str, value->length));
    cef_string_userfree_free(value);
    cef_string_clear(&name);
    ASSERT_TRUE(cef_string_set(L"--url", 5, &name, 0));  // borrowed, with dashes
    EXPECT_FALSE(line->has_switch(line, &name));
    EXPECT_EQ(nullptr, line->get_switch_value(line, &name));
    cef_string_userfree_t program = line->get_program(line);
    ASSERT_NE(nullptr, program);
    EXPECT_NE(std::wstring::npos, std::wstring(program->str, program->length).find(L"engine_unit_tests"));
    cef_string_userfree_free(program);
    line->base.add_ref(&line->base);
    EXPECT_FALSE(line->base.has_one_ref(&line->base));
    EXPECT_FALSE(line->base.release(&line->base));
    EXPECT_TRUE(line->base.release(&line->base));
}

TEST(EngineValues, ListsToleratetypeMismatchAndShareChildren) {
    CefRefPtr<CefListValue> list = CefListValue::Create();
    list->SetSize(3);
    EXPECT_EQ(VTYPE_NULL, list->GetType(2));
    list->SetInt(0, 12);
    list->SetString(1, L"12");
    EXPECT_EQ(0, list->GetInt(1));
    EXPECT_EQ(L"", list->GetString(0).ToWString());
    EXPECT_FALSE(list->GetBool(0));
    EXPECT_FALSE(list->GetDictionary(0));
    EXPECT_EQ(0, list->GetInt(7));  // out of range
    EXPECT_EQ(VTYPE_INVALID, list->GetType(-1));
    CefRefPtr<CefDictionaryValue> d = CefDictionaryValue::Create();
    d->SetInt(L"pkgid", 7);
    d->SetString(L"game_name", L"名字");
    ASSERT_TRUE(list->SetDictionary(2, d));
    EXPECT_EQ(7, list->GetDictionary(2)->GetInt(L"pkgid"));
    EXPECT_EQ(0, list->GetDictionary(2)->GetInt(L"game_name"));
    EXPECT_EQ(L"", list->GetDictionary(2)->GetString(L"missing").ToWString());
}

TEST(EngineValues, EncodingRoundTripsAndRejectsDamage) {
    auto v = Value::Dict();
    auto l = Value::List();
    l->list = {Value::Int(-3), Value::Double(2.5), Value::Bool(true), Value::String(L"文本\ttab"), Value::Null()};
    v->Set(L"args", l);
    v->Set(L"name", Value::String(L"openUrl"));
    std::string bytes = Encode(*v);
    ValuePtr back = Decode(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(bytes, Encode(*back));
    EXPECT_EQ(L"openUrl", back->GetString(L"name"));
    // Every truncation is refused, and so is a huge count.
    for (size_t n = 0; n < bytes.size(); ++n) EXPECT_FALSE(Decode(bytes.substr(0, n))) << n;
    std::string huge = bytes;
    huge[1] = '\xFF';
    huge[2] = '\xFF';
    EXPECT_FALSE(Decode(huge));
    EXPECT_FALSE(Decode(bytes + "x"));
}

TEST(EngineUrl, ResolvesReferencesAndFilePaths) {
    EXPECT_EQ(L"http://a.com/x/c.js", ResolveUrl(L"http://a.com/x/page.html?q=1", L"c.js"));
    EXPECT_EQ(L"http://a.com/c.js", ResolveUrl(L"http://a.com/x/y/page.html", L"../../c.js"));
    EXPECT_EQ(L"http://a.com/root", ResolveUrl(L"http://a.com/x/page.html", L"/root"));
    EXPECT_EQ(L"https://b.com/z", ResolveUrl(L"https://a.com/x", L"//b.com/z"));
    EXPECT_EQ(L"http://a.com:8080/x?y=1#f", ResolveUrl(L"http://a.com:8080/x", L"?y=1#f"));
    EXPECT_EQ(L"about:blank", ResolveUrl(L"http://a.com/", L"about:blank"));
    EXPECT_EQ(L"file:///C:/dir/sub/p.html", ResolveUrl(L"file:///C:/dir/index.html", L"sub/p.html"));
    EXPECT_EQ(L"C:\\dir\\a b\\游戏.html", FileUrlToPath(L"file:///C:/dir/a%20b/%E6%B8%B8%E6%88%8F.html"));
    EXPECT_EQ(L"C:\\dir\\游戏.html", FileUrlToPath(PathToFileUrl(L"C:\\dir\\游戏.html")));
    EXPECT_EQ(L"", FileUrlToPath(L"http://a.com/x"));
    Url u = Url::Parse(L"HTTP://Example.COM:81/p");
    EXPECT_EQ(L"http", u.scheme);
    EXPECT_EQ(L"example.com", u.host);
    EXPECT_EQ(81, u.EffectivePort());
}

TEST(EngineHtml, TitleScriptsElementsAndVisibleText) {
    HtmlDocument doc = ParseHtml(
        L"<!DOCTYPE html><html><head><title>A &amp; B</title>\n<script src=\"x.js\"></script>"
        L"<script>var s = '<b>not markup</b>';</script><style>p { color: red }</style></head>"
        L"<body onload=\"init()\"><!-- hidden --><p>Hello&nbsp;<b>world</b></p>"
        L"<div id=\"box\" class=\"c\">in box</div><a href='t.html' target=_blank>link</a>"
        L"<iframe src=\"f.html\" name=\"f\"></iframe><SCRIPT type=\"text/template\">skip</SCRIPT></body></html>");
    EXPECT_TRUE(doc.hasTitle);
    EXPECT_EQ(L"A & B", doc.title);
    ASSERT_EQ(2u, doc.scripts.size());
    EXPECT_EQ(L"x.js", doc.scripts[0].src);
    EXPECT_EQ(L"var s = '<b>not markup</b>';", doc.scripts[1].code);
    EXPECT_EQ(2, doc.scripts[1].line);
    EXPECT_EQ(L"init()", doc.bodyOnload);
    ASSERT_EQ(1u, doc.iframes.size());
    EXPECT_EQ(L"f", doc.iframes[0].attrs[L"name"]);
    bool box = false, link = false;
    for (auto& e : doc.elements) {
        if (e.attrs[L"id"] == L"box") box = e.text == L"in box";
        if (e.tag == L"a") link = e.attrs[L"target"] == L"_blank" && e.text == L"link";
    }
    EXPECT_TRUE(box);
    EXPECT_TRUE(link);
    EXPECT_NE(std::wstring::npos, doc.text.find(L"Hello world"));
    EXPECT_EQ(std::wstring::npos, doc.text.find(L"hidden"));
    EXPECT_EQ(std::wstring::npos, doc.text.find(L"color"));
    EXPECT_EQ(L"<'\u00e9", DecodeEntities(L"&lt;&#39;&#xE9;"));
}

namespace {

const wchar_t kSiteUrl[] = L"http://www.site.com/";
const int64_t kIn2100 = 4116219494LL;    // Wed, 09 Jun 2100 10:18:14 GMT
const int64_t kPast2038 = 2147483648LL;  // Tue, 19 Jan 2038 03:14:08 GMT: one past a 32-bit time_t

// The cookie named name as the store's file holds it.
bool FindCookie(CookieStore& store, const wchar_t* name, CefCookie* cookie) {
    for (auto& c : store.Get(L"", true)) {
        if (c.name == CefString(name)) {
            *cookie = c;
            return true;
        }
    }
    return false;
}

int64_t SecondsOf(const cef_time_t& t) {
    int64_t seconds = -1;
    EXPECT_TRUE(TimeToSeconds(t, &seconds));
    return seconds;
}

// What the public time_t conversion gives for a date: the date itself, or
// the last second time_t holds where it is 32 bits wide.
time_t ClampedTimeT(int64_t seconds) {
    return static_cast<time_t>(std::min<int64_t>(seconds, std::numeric_limits<time_t>::max()));
}

// Expiry of the cookie named name, read back by a second store object (a fresh load of the file); -1 when absent.
int64_t StoredExpiry(const std::wstring& dir, const wchar_t* name) {
    CookieStore reader(dir);
    CefCookie c;
    if (!FindCookie(reader, name, &c)) return -1;
    EXPECT_TRUE(c.has_expires) << harness::Narrow(name);
    EXPECT_EQ(ClampedTimeT(SecondsOf(c.expires)), c.expires.GetTimeT()) << harness::Narrow(name);
    return SecondsOf(c.expires);
}

}  // namespace

TEST(EngineCookieStore, DomainPathSecureExpiryAndHttpOnly) {
    std::wstring dir = harness::MakeScratchDir(L"engine_cookie_unit");
    CookieStore store(dir);
    int64_t now = NowSeconds();
    EXPECT_TRUE(store.SetFromLine(L"http://www.site.com/a/b", L"host=1", false));           // host-only, path /a
    EXPECT_TRUE(store.SetFromLine(L"http://www.site.com/", L"dom=2; Domain=site.com; Path=/", false));
    EXPECT_TRUE(store.SetFromLine(L"https://www.site.com/", L"sec=3; Secure; Path=/", false));
    EXPECT_TRUE(store.SetFromLine(L"http://www.site.com/", L"ho=4; HttpOnly; Path=/", false));
    EXPECT_FALSE(store.SetFromLine(L"http://www.site.com/", L"bad=5; Domain=other.com", false));
    EXPECT_FALSE(store.SetFromLine(L"file:///C:/x.html", L"f=1", false));
    EXPECT_TRUE(store.SetFromLine(L"http://www.site.com/", L"gone=6; Max-Age=0; Path=/", false));
    EXPECT_TRUE(store.SetFromLine(L"http://www.site.com/", L"dated=7; Path=/; Expires=Wed, 09 Jun 2100 10:18:14 GMT", false));

    EXPECT_EQ(L"host=1; dom=2; ho=4; dated=7", store.CookieHeader(L"http://www.site.com/a/c", true));
    EXPECT_EQ(L"dom=2", store.CookieHeader(L"http://sub.site.com/", false));
    EXPECT_EQ(L"dom=2; sec=3; ho=4; dated=7", store.CookieHeader(L"https://www.site.com/", true));
    EXPECT_EQ(L"", store.CookieHeader(L"http://site.org/", true));
    // Script cannot replace an HttpOnly cookie nor set one.
    EXPECT_FALSE(store.SetFromLine(L"http://www.site.com/", L"ho=x; Path=/", true));
    EXPECT_FALSE(store.SetFromLine(L"http://www.site.com/", L"new=1; HttpOnly", true));
    // A second store object on the same folder (another process) sees the same cookies.
    CookieStore other(dir);
    EXPECT_EQ(store.CookieHeader(L"https://www.site.com/", true), other.CookieHeader(L"https://www.site.com/", true));
    EXPECT_EQ(1, other.Delete(L"http://www.site.com/", L"dom"));
    EXPECT_EQ(L"ho=4; dated=7", store.CookieHeader(L"http://www.site.com/", true));
    // Expiry is kept exactly.
    CefCookie dated;
    ASSERT_TRUE(FindCookie(store, L"dated", &dated));
    EXPECT_GT(SecondsOf(dated.expires), now + 86400LL * 365 * 50);
    // Values with separators survive the file.
    CefCookie odd;
    odd.name = L"odd";
    odd.value = L"a\tb%c\nd";
    odd.path = L"/";
    ASSERT_TRUE(store.Set(L"http://www.site.com/", odd));
    bool found = false;
    for (auto& c : other.Get(L"http://www.site.com/", true))
        if (c.name == CefString(L"odd")) found = c.value == odd.value;
    EXPECT_TRUE(found);
}

TEST(EngineCookieStore, DatesPast2038KeepTheirValueAndReplaceOlderCookies) {
    std::wstring dir = harness::MakeScratchDir(L"engine_cookie_2038");
    CookieStore store(dir);
    // Each far-future date replaces a cookie of the same key that expires within the hour.
    for (const wchar_t* name : {L"far", L"edge", L"age"})
        ASSERT_TRUE(store.SetFromLine(kSiteUrl, std::wstring(name) + L"=old; Path=/; Max-Age=3600", false));
    EXPECT_TRUE(store.SetFromLine(kSiteUrl, L"far=new; Path=/; Expires=Wed, 09 Jun 2100 10:18:14 GMT", false));
    EXPECT_TRUE(store.SetFromLine(kSiteUrl, L"edge=new; Path=/; Expires=Tue, 19 Jan 2038 03:14:08 GMT", false));
    int64_t before = NowSeconds();
    EXPECT_TRUE(store.SetFromLine(kSiteUrl, L"age=new; Path=/; Max-Age=2147483647", false));
    int64_t after = NowSeconds();
    EXPECT_EQ(L"far=new; edge=new; age=new", store.CookieHeader(kSiteUrl, true));

    EXPECT_EQ(kIn2100, StoredExpiry(dir, L"far"));
    EXPECT_EQ(kPast2038, StoredExpiry(dir, L"edge"));
    int64_t age = StoredExpiry(dir, L"age");
    EXPECT_GE(age, before + 2147483647LL);
    EXPECT_LE(age, after + 2147483647LL);
    // The file keeps 64-bit decimal seconds.
    std::string file = harness::ReadFileBytes(dir + L"\\Cookies");
    EXPECT_NE(std::string::npos, file.find("\t1\t4116219494\n")) << file;
    EXPECT_NE(std::string::npos, file.find("\t1\t2147483648\n")) << file;

    // A past date still deletes, also one a 32-bit time_t cannot hold, and the epoch itself.
    EXPECT_TRUE(store.SetFromLine(kSiteUrl, L"far=; Path=/; Expires=Mon, 01 Jan 1900 00:00:00 GMT", false));
    EXPECT_TRUE(store.SetFromLine(kSiteUrl, L"edge=; Path=/; Expires=Thu, 01 Jan 1970 00:00:00 GMT", false));
    EXPECT_TRUE(store.SetFromLine(kSiteUrl, L"age=; Path=/; Max-Age=-1", false));
    EXPECT_EQ(L"", store.CookieHeader(kSiteUrl, true));
}

TEST(EngineCookieStore, DatesBeyondWhatFileTimeHoldsClamp) {
    std::wstring dir = harness::MakeScratchDir(L"engine_cookie_clamp");
    CookieStore store(dir);
    EXPECT_TRUE(store.SetFromLine(kSiteUrl, L"year=1; Path=/; Expires=Fri, 31 Dec 99999 23:59:59 GMT", false));
    EXPECT_TRUE(store.SetFromLine(kSiteUrl, L"age=2; Path=/; Max-Age=99999999999999999999999", false));
    EXPECT_TRUE(store.SetFromLine(kSiteUrl, L"gone=3; Path=/; Expires=Sat, 01 Jan 1600 00:00:00 GMT", false));
    // Through the cookie manager's record: a year SYSTEMTIME cannot hold.
    CefCookie api;
    api.name = L"api";
    api.value = L"4";
    api.path = L"/";
    api.has_expires = 1;
    api.expires.year = 40000;
    api.expires.month = 1;
    api.expires.day_of_month = 1;
    EXPECT_TRUE(store.Set(kSiteUrl, api));
    EXPECT_EQ(L"year=1; age=2; api=4", store.CookieHeader(kSiteUrl, true));
    for (const wchar_t* name : {L"year", L"age", L"api"}) EXPECT_EQ(kLatestSeconds, StoredExpiry(dir, name));

    // A file written by another build: 64-bit seconds are read as they are, larger numbers clamp.
    std::string lines = "x64\tv\twww.site.com\t/\t0\t0\t1700000000\t1700000000\t1\t4116219494\n"
                        "over\tv\twww.site.com\t/\t0\t0\t1700000000\t1700000000\t1\t99999999999999999999999\n";
    ASSERT_TRUE(harness::WriteFileBytes(dir + L"\\Cookies", lines));
    EXPECT_EQ(kIn2100, StoredExpiry(dir, L"x64"));
    EXPECT_EQ(kLatestSeconds, StoredExpiry(dir, L"over"));
    CefCookie x64;
    ASSERT_TRUE(FindCookie(store, L"x64", &x64));
    EXPECT_EQ(1700000000LL, SecondsOf(x64.creation));

    // The public time_t conversions clamp both ways instead of wrapping.
    CefTime t;
    ASSERT_TRUE(TimeFromSeconds(kLatestSeconds, &t));
    EXPECT_EQ(30827, t.year);
    EXPECT_EQ(ClampedTimeT(kLatestSeconds), t.GetTimeT());
    t.year = 1500;
    time_t early = 0;
    EXPECT_EQ(1, cef_time_to_timet(&t, &early));
    EXPECT_EQ(static_cast<time_t>(std::max<int64_t>(kEarliestSeconds, std::numeric_limits<time_t>::min())), early);
    // The largest time_t is a date in 2038 with a 32-bit time_t and lies past the latest date with a 64-bit one.
    t.SetTimeT(std::numeric_limits<time_t>::max());
    EXPECT_EQ(ClampedTimeT(std::min<int64_t>(std::numeric_limits<time_t>::max(), kLatestSeconds)), t.GetTimeT());
    t.month = 13;
    EXPECT_EQ(0, cef_time_to_timet(&t, &early));
}

TEST(EngineLog, NothingReachesTheFileWhileLoggingIsDisabled) {
    std::wstring dir = harness::MakeScratchDir(L"engine_log");
    std::wstring file = dir + L"\\webkit.log";
    ConfigureLog(file, LOGSEVERITY_DISABLE);
    Log(LogSeverity::Error, L"an error line");
    LogAlways(L"renderer process %d ended unexpectedly (exit code %d)", 7, 1);
    EXPECT_FALSE(harness::FileExists(file)) << "the engine wrote its log although logging is disabled";
    // Enabled at Error: Info stays out, ended processes and errors go in.
    ConfigureLog(file, LOGSEVERITY_ERROR);
    Log(LogSeverity::Info, L"an info line");
    LogAlways(L"renderer process %d ended unexpectedly (exit code %d)", 8, 1);
    std::string text = harness::ReadFileBytes(file);
    EXPECT_EQ(std::string::npos, text.find("an info line"));
    EXPECT_NE(std::string::npos, text.find(":ERROR:")) << text;
    EXPECT_NE(std::string::npos, text.find("renderer process 8 ended unexpectedly (exit code 1)")) << text;
    ConfigureLog(L"", LOGSEVERITY_DISABLE);
}
