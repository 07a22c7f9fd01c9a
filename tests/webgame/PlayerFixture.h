#pragma once
// A test that runs the player as the launcher runs it: a copy of the program
// folder pointed at the local back-end (the account site too), the fake
// launcher, the engine's remote control, the skin test seam and the URL
// recorder. Every wait is bounded; TearDown ends whatever the test started.
#include <gtest/gtest.h>

#include <UIlib.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BackendClient.h"
#include "FakeLauncher.h"
#include "RemoteClient.h"

// A tab header as the frame paints it.
struct PlayerTab {
    std::wstring text;
    bool selected = false;
    RECT pos = {0, 0, 0, 0};
    RECT closePos = {0, 0, 0, 0};
};

class PlayerTest : public ::testing::Test {
protected:
    static constexpr DWORD kStartMs = 60000;
    static constexpr DWORD kWaitMs = 30000;

    void SetUp() override;
    void TearDown() override;
    // Writes [main] and [WebGame] of the copy's qxtarrow.ini (extra lines appended to [WebGame]).
    void WriteIni(const std::string& webGameLines = std::string());

    std::wstring GameUrl(const std::wstring& pathAndQuery) const { return backend_.HttpsUrl(pathAndQuery); }
    // Hands the page over and waits for the frame (started when none ran).
    HWND HandOverAndWaitForFrame(const std::wstring& url, const std::wstring& param);
    HWND WaitForFrame() const;
    // Opens a handle on the frame's process (for its exit code).
    bool TrackPlayer(HWND frame);
    bool WaitPlayerExit(DWORD timeoutMs, DWORD* exitCode);

    std::vector<DuiLib::SkinSeamControl> Tree(HWND frame) const;
    const DuiLib::SkinSeamControl* FindControl(const std::vector<DuiLib::SkinSeamControl>& tree,
                                               const std::wstring& name) const;
    std::vector<PlayerTab> Tabs(HWND frame) const;
    bool WaitTabs(HWND frame, const std::function<bool(const std::vector<PlayerTab>&)>& condition,
                  DWORD timeoutMs = kWaitMs) const;
    // A click at the centre of a rectangle of the frame's client area (posted mouse messages).
    void ClickAt(HWND frame, const RECT& pos) const;
    void ClickControl(HWND frame, const std::wstring& name) const;

    // The engine's browsers of the player, in creation order.
    std::vector<RemoteBrowser> Browsers() const;
    bool WaitBrowserCount(size_t count) const;
    std::wstring Eval(int browserId, const std::wstring& script) const;
    // The back-end's record of GETs of a path (its query kept).
    std::vector<backend::RecordedRequest> Gets(const std::string& path) const;

    std::vector<std::wstring> PlayerLog() const;
    bool LogHas(const std::wstring& text) const;
    bool WaitLog(const std::wstring& text, DWORD timeoutMs = kWaitMs) const;
    std::string LogText() const;
    std::wstring Temp(const std::wstring& name) const { return dir_ + L"\\Temp\\" + name; }
    std::wstring IniValue(const wchar_t* section, const wchar_t* key) const;
    bool CookieStoreHasAccountCookie() const;

    std::wstring dir_;
    std::wstring pipe_;
    std::wstring urlRecord_;
    backend::BackendClient backend_;
    std::unique_ptr<FakeLauncher> launcher_;
    HANDLE player_ = nullptr;
};
