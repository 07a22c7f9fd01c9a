// The engine's parts that need no process: command lines, values and their
// encoding, URLs, HTML reading, the cookie store's rules, the engine log.
#include <gtest/gtest.h>

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

TEST(EngineCookieStore, DomainPathSecureExpiryAndHttpOnly) {
    std::wstring dir = harness::MakeScratchDir(L"engine_cookie_unit");
    CookieStore store(dir);
    time_t now = time(nullptr);
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
    auto all = store.Get(L"", true);
    for (auto& c : all) {
        if (c.name == CefString(L"dated")) {
            EXPECT_GT(c.expires.GetTimeT(), now + 86400LL * 365 * 50);
        }
    }
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
