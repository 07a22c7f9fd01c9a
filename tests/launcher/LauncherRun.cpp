#include "LauncherRun.h"

#include <algorithm>
#include <cwchar>

namespace launcher {

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

bool LoadFixtureRoutes(backend::BackendClient& client, const std::wstring& fileName = L"launcher_routes.json") {
    std::string routes = harness::ReadFileBytes(harness::TestDir() + L"\\" + fileName);
    if (routes.empty()) return false;
    ReplaceAll(routes, "${http_hostport}", harness::Narrow(client.HttpHostPort()));
    ReplaceAll(routes, "${https}", harness::Narrow(client.HttpsUrl(L"")));
    ReplaceAll(routes, "${http}", harness::Narrow(client.HttpUrl(L"")));
    return client.AddRoutes(routes);
}

}  // namespace

backend::BackendClient& Backend() {
    static backend::BackendClient client;
    static bool ready = client.Connect() && LoadFixtureRoutes(client);
    (void)ready;
    return client;
}

bool AddFixtureRoutes(const std::wstring& fileName) { return LoadFixtureRoutes(Backend(), fileName); }

std::wstring HttpBase() { return Backend().HttpUrl(L""); }
std::wstring HttpsBase() { return Backend().HttpsUrl(L""); }

void LauncherTest::SetUp() {
    ASSERT_EQ(936u, GetACP()) << "the launcher runs under the Chinese code page";
    ASSERT_TRUE(Backend().Connect()) << "the back-end fixture is not running";
}

LauncherRun::LauncherRun(const std::wstring& suffix, const std::wstring& folderSuffix)
    : name_(L"launcher_" + harness::CurrentTestName() + suffix) {
    dir_ = harness::CopyProgramDir(name_ + folderSuffix);
}

// A launcher still running is closed as a user would close it, so it ends
// its player and browser processes itself; one that does not end is killed.
LauncherRun::~LauncherRun() {
    DWORD code = 0;
    if (window_ && !process_.Wait(0, &code)) CloseAndWait(&code, 10000);
    process_.Kill();
}

void LauncherRun::WriteIni(const std::wstring& channelPath) {
    std::wstring http = HttpBase(), https = HttpsBase();
    std::wstring channels = channelPath.find(L"://") == std::wstring::npos ? http + channelPath : channelPath;
    // No autostart value: a later Wine session would start this copy at log-on.
    std::wstring text = L"[main]\r\nLogLevel=127\r\nAutoRun=0\r\nApi_url=" + https + L"\r\nWeb_url=" + http +
                        L"\r\nAccount_url=" + https + L"\r\nUpdate_url=" + http + L"\r\nHomepage_url=" + http +
                        L"\r\nDomain_url=" + channels + L"\r\nLogin_url=" + http +
                        L"/launcher/html/login.html\r\n[report]\r\nurl=" + http + ReportPath() +
                        L"\r\ninstallurl=" + http + InstallReportPath() + L"\r\n";
    harness::WriteFileBytes(dir_ + L"\\qxtarrow.ini", harness::Narrow(text));
}

void LauncherRun::SetIniValue(const wchar_t* section, const wchar_t* key, const std::wstring& value) const {
    WritePrivateProfileStringW(section, key, value.c_str(), (dir_ + L"\\qxtarrow.ini").c_str());
}

std::wstring LauncherRun::IniValue(const wchar_t* section, const wchar_t* key) const {
    wchar_t value[1024] = {};
    GetPrivateProfileStringW(section, key, L"", value, _countof(value), (dir_ + L"\\qxtarrow.ini").c_str());
    return value;
}

std::wstring LauncherRun::ReportPath() const { return L"/launcher/report/" + name_ + L"/start"; }
std::wstring LauncherRun::InstallReportPath() const { return L"/launcher/report/" + name_ + L"/install"; }

bool LauncherRun::WriteGameBtnFile(const std::wstring& json) const {
    std::string bytes(reinterpret_cast<const char*>(json.data()), json.size() * sizeof(wchar_t));
    return harness::WriteFileBytes(dir_ + L"\\gamebtn.dat", bytes);
}

bool LauncherRun::Start(const std::wstring& args) {
    SetEnvironmentVariableW(SKIN_SEAM_ENV, L"1");
    // A switch, not the engine's environment variable: programs the launcher
    // starts (the player) must not serve the same pipe.
    std::wstring line = pipe_.empty() ? args : L"--remote-control-pipe=" + pipe_ + (args.empty() ? L"" : L" " + args);
    return process_.Start(ExePath(), line);
}

std::vector<RemoteBrowser> LauncherRun::Browsers() const {
    return pipe_.empty() ? std::vector<RemoteBrowser>() : RemoteList(pipe_);
}

int LauncherRun::WaitForBrowser(const std::wstring& urlPart, DWORD timeoutMs) const {
    int id = 0;
    harness::WaitUntil(
        [&] {
            for (const RemoteBrowser& b : Browsers()) {
                if (b.url.find(urlPart) != std::wstring::npos) {
                    id = b.id;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return id;
}

std::wstring LauncherRun::Eval(int browserId, const std::wstring& script) const {
    if (pipe_.empty()) return L"error\nno remote control";
    return RemoteCall(pipe_, L"eval " + std::to_wstring(browserId) + L"\n" + script);
}

std::wstring LauncherRun::EvalResult(int browserId, const std::wstring& script) const {
    std::wstring answer = Eval(browserId, script);
    return answer.compare(0, 3, L"ok\n") == 0 ? answer.substr(3) : std::wstring();
}

HWND LauncherRun::WaitForMainWindow(DWORD timeoutMs) {
    window_ = harness::WaitForTopWindow(L"QXTarrowMainWnd", L"QuillexTarrow", true, timeoutMs);
    return window_;
}

bool LauncherRun::CloseAndWait(DWORD* exitCode, DWORD timeoutMs) {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    return process_.Wait(timeoutMs, exitCode);
}

bool LauncherRun::CloseAndExitCleanly() {
    DWORD code = 1;
    return CloseAndWait(&code) && code == 0;
}

std::vector<Control> LauncherRun::Tree(HWND window) const {
    std::wstring text;
    std::vector<Control> controls;
    if (DuiLib::SkinSeamQueryTree(window ? window : window_, &text, 10000)) DuiLib::SkinSeamParseTree(text, &controls);
    return controls;
}

bool LauncherRun::FindControl(const std::wstring& name, Control* control, HWND window) const {
    for (const Control& c : Tree(window)) {
        if (c.name == name) {
            *control = c;
            return true;
        }
    }
    return false;
}

std::vector<Control> LauncherRun::GameButtons() const {
    std::vector<Control> buttons;
    for (const Control& c : Tree()) {
        if (c.className == L"OrvGameBtn") buttons.push_back(c);
    }
    return buttons;
}

bool LauncherRun::WaitForControl(const std::wstring& name, bool (*holds)(const Control&), DWORD timeoutMs,
                                 HWND window) const {
    return harness::WaitUntil(
        [&] {
            Control c;
            return FindControl(name, &c, window) && holds(c);
        },
        timeoutMs);
}

bool LauncherRun::Click(const std::wstring& name, HWND window) const {
    // A control is clicked at its centre: wait until it has been laid out.
    bool placed = WaitForControl(
        name, [](const Control& c) { return c.visible && c.pos.right > c.pos.left && c.pos.bottom > c.pos.top; },
        10000, window);
    return placed && DuiLib::SkinSeamClick(window ? window : window_, name.c_str(), 10000);
}

POINT LauncherRun::ScreenCenter(const Control& control) const {
    return harness::ClientToScreenPoint(window_, (control.pos.left + control.pos.right) / 2,
                                        (control.pos.top + control.pos.bottom) / 2);
}

std::vector<std::wstring> LauncherRun::Log() const { return harness::ReadLogLines(dir_ + L"\\Log", L"corrin"); }

std::string LauncherRun::LogText() const { return harness::LogText(dir_ + L"\\Log", L"corrin"); }

bool LauncherRun::LogHas(const std::wstring& text) const { return LogIndex(text) != std::wstring::npos; }

bool LauncherRun::WaitForLog(const std::wstring& text, DWORD timeoutMs) const {
    return harness::WaitUntil([&] { return LogHas(text); }, timeoutMs);
}

size_t LauncherRun::CountLog(const std::wstring& text) const {
    std::vector<std::wstring> lines = Log();
    return static_cast<size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const std::wstring& l) { return l.find(text) != l.npos; }));
}

size_t LauncherRun::LogIndex(const std::wstring& text) const {
    std::vector<std::wstring> lines = Log();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find(text) != std::wstring::npos) return i;
    }
    return std::wstring::npos;
}

long LauncherRun::LogTimeMs(const std::wstring& text) const {
    size_t index = LogIndex(text);
    if (index == std::wstring::npos) return -1;
    unsigned h = 0, m = 0, sec = 0, ms = 0;
    if (swscanf(Log()[index].c_str(), L"[%u:%u:%u.%u]", &h, &m, &sec, &ms) != 4) return -1;
    return static_cast<long>(((h * 60 + m) * 60 + sec) * 1000 + ms);
}

namespace {
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
}  // namespace

RunValue::~RunValue() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Corrin"); }

std::wstring RunValue::Read() const {
    std::wstring text = Text();
    if (text.empty() || text[0] != L'"') return text;
    size_t end = text.find(L'"', 1);
    return end == std::wstring::npos ? std::wstring() : text.substr(1, end - 1);
}

std::wstring RunValue::Text() const {
    wchar_t value[1024] = {};
    DWORD bytes = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Corrin", RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS)
        return std::wstring();
    return value;
}

bool RunValue::Write(const std::wstring& text) const {
    return RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Corrin", REG_SZ, text.c_str(),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

long NowMs() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ((now.wHour * 60L + now.wMinute) * 60L + now.wSecond) * 1000L + now.wMilliseconds;
}

std::vector<backend::RecordedRequest> RequestsOf(const std::string& path, const std::string& queryPart) {
    std::vector<backend::RecordedRequest> all, matching;
    Backend().Requests(&all, path);
    for (const backend::RecordedRequest& r : all) {
        if (queryPart.empty() || r.query.find(queryPart) != std::string::npos) matching.push_back(r);
    }
    return matching;
}

std::string QueryValue(const std::string& query, const std::string& key) {
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        std::string pair = query.substr(start, end == std::string::npos ? std::string::npos : end - start);
        size_t eq = pair.find('=');
        if (pair.substr(0, eq) == key) return eq == std::string::npos ? std::string() : pair.substr(eq + 1);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return std::string();
}

}  // namespace launcher
