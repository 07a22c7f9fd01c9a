#include "PlayerFixture.h"

#include <algorithm>

#include "HandOverProtocol.h"
#include "Harness.h"

void PlayerTest::SetUp() {
    ASSERT_TRUE(backend_.Connect()) << "the local back-end is not running";
    ASSERT_TRUE(backend_.Reset());  // the sample routes (the game pages among them), no record
    dir_ = harness::CopyProgramDir(L"player_" + harness::CurrentTestName());
    ASSERT_FALSE(dir_.empty());
    WriteIni();
    pipe_ = L"corrin_player_" + harness::CurrentTestName();
    urlRecord_ = dir_ + L"\\urls.txt";
    // What the player (started by the fake launcher through the shell) inherits.
    SetEnvironmentVariableW(L"DUILIB_TEST_SEAM", L"1");
    SetEnvironmentVariableW(L"CEF_REMOTE_CONTROL_PIPE", pipe_.c_str());
    harness::SetUrlRecordFile(urlRecord_);
    launcher_ = std::make_unique<FakeLauncher>(dir_);
    ASSERT_NE(nullptr, launcher_->Window());
}

void PlayerTest::TearDown() {
    launcher_.reset();
    harness::KillProcessesUnder(dir_);
    if (player_) CloseHandle(player_);
    player_ = nullptr;
}

void PlayerTest::WriteIni(const std::string& webGameLines) {
    const std::string account = harness::Narrow(backend_.HttpsUrl(L""));
    ASSERT_TRUE(harness::WriteFileBytes(dir_ + L"\\qxtarrow.ini", "[main]\r\nLogLevel=127\r\nAccount_url=" + account +
                                                                    "\r\nHomepage_url=" + account +
                                                                    "\r\n\r\n[WebGame]\r\nexit=0\r\n" + webGameLines));
}

HWND PlayerTest::WaitForFrame() const {
    return harness::WaitForWindow(kGameFrameClassName, L"QuillexTarrow", kStartMs);
}

HWND PlayerTest::HandOverAndWaitForFrame(const std::wstring& url, const std::wstring& param) {
    if (launcher_->HandOver(url, param) < 0) return nullptr;
    HWND frame = WaitForFrame();
    if (frame) TrackPlayer(frame);
    return frame;
}

bool PlayerTest::TrackPlayer(HWND frame) {
    DWORD pid = 0;
    GetWindowThreadProcessId(frame, &pid);
    if (player_) CloseHandle(player_);
    player_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    return player_ != nullptr;
}

bool PlayerTest::WaitPlayerExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!player_ || WaitForSingleObject(player_, timeoutMs) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(player_, exitCode) != FALSE;
}

std::vector<DuiLib::SkinSeamControl> PlayerTest::Tree(HWND frame) const {
    std::wstring text;
    std::vector<DuiLib::SkinSeamControl> controls;
    if (DuiLib::SkinSeamQueryTree(frame, &text, 10000)) DuiLib::SkinSeamParseTree(text, &controls);
    return controls;
}

const DuiLib::SkinSeamControl* PlayerTest::FindControl(const std::vector<DuiLib::SkinSeamControl>& tree,
                                                       const std::wstring& name) const {
    for (const DuiLib::SkinSeamControl& c : tree)
        if (c.name == name) return &c;
    return nullptr;
}

// Headers in strip order: each option ("cefgame_*") and the close button
// ("close_tab_*") that follows it.
std::vector<PlayerTab> PlayerTest::Tabs(HWND frame) const {
    std::vector<PlayerTab> tabs;
    for (const DuiLib::SkinSeamControl& c : Tree(frame)) {
        if (c.name.compare(0, 8, L"cefgame_") == 0) {
            PlayerTab tab;
            tab.text = c.text;
            tab.selected = c.selected;
            tab.pos = c.pos;
            tabs.push_back(tab);
        } else if (c.name.compare(0, 10, L"close_tab_") == 0 && !tabs.empty()) {
            tabs.back().closePos = c.pos;
        }
    }
    return tabs;
}

bool PlayerTest::WaitTabs(HWND frame, const std::function<bool(const std::vector<PlayerTab>&)>& condition,
                          DWORD timeoutMs) const {
    return harness::WaitUntil([&] { return condition(Tabs(frame)); }, timeoutMs);
}

void PlayerTest::ClickAt(HWND frame, const RECT& pos) const {
    LPARAM at = MAKELPARAM((pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2);
    PostMessageW(frame, WM_MOUSEMOVE, 0, at);
    PostMessageW(frame, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(frame, WM_LBUTTONUP, 0, at);
}

void PlayerTest::ClickControl(HWND frame, const std::wstring& name) const {
    DuiLib::SkinSeamClick(frame, name.c_str(), 10000);
}

std::vector<RemoteBrowser> PlayerTest::Browsers() const { return RemoteList(pipe_); }

bool PlayerTest::WaitBrowserCount(size_t count) const {
    return harness::WaitUntil([&] { return Browsers().size() == count; }, kWaitMs);
}

std::wstring PlayerTest::Eval(int browserId, const std::wstring& script) const {
    std::wstring answer = RemoteCall(pipe_, L"eval " + std::to_wstring(browserId) + L"\n" + script);
    return answer.compare(0, 3, L"ok\n") == 0 ? answer.substr(3) : L"<" + answer + L">";
}

std::vector<backend::RecordedRequest> PlayerTest::Gets(const std::string& path) const {
    std::vector<backend::RecordedRequest> all, gets;
    backend_.Requests(&all, path);
    std::copy_if(all.begin(), all.end(), std::back_inserter(gets),
                 [](const backend::RecordedRequest& r) { return r.method == "GET"; });
    return gets;
}

std::vector<std::wstring> PlayerTest::PlayerLog() const { return harness::ReadLogLines(dir_ + L"\\Log", L"corrinweb"); }

bool PlayerTest::LogHas(const std::wstring& text) const {
    std::vector<std::wstring> lines = PlayerLog();
    return std::any_of(lines.begin(), lines.end(), [&](const std::wstring& l) { return l.find(text) != l.npos; });
}

bool PlayerTest::WaitLog(const std::wstring& text, DWORD timeoutMs) const {
    return harness::WaitUntil([&] { return LogHas(text); }, timeoutMs);
}

std::string PlayerTest::LogText() const { return harness::LogText(dir_ + L"\\Log", L"corrinweb"); }

std::wstring PlayerTest::IniValue(const wchar_t* section, const wchar_t* key) const {
    wchar_t value[520] = {};
    GetPrivateProfileStringW(section, key, L"<none>", value, 520, (dir_ + L"\\qxtarrow.ini").c_str());
    return value;
}

bool PlayerTest::CookieStoreHasAccountCookie() const {
    return harness::ReadFileBytes(dir_ + L"\\cookies\\Cookies").find("_bp_ff_") != std::string::npos;
}
