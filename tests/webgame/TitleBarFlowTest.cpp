// The player's title-bar features as the user meets them, Corrinweb.exe run
// as the launcher runs it: the small-account windows over the frame (with
// their transparent bar), closing while a window is up, screenshots, and the
// mute button.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "HandOverProtocol.h"
#include "Harness.h"
#include "PlayerFixture.h"
#include "WindowTool.h"

namespace {

const wchar_t kGame[] = L"/webgame/game.html";
const wchar_t kServerParam[] = L"&serverName=一区&serverIdx=1&gid=7";
const wchar_t kLoginClass[] = L"OpenSmallAccount";
const wchar_t kLoginTitle[] = L"小号登录窗口";
const wchar_t kBarClass[] = L"NormalWnd201705";
const wchar_t kSavedText[] = L"截屏保存成功（路径设置参见游戏大厅右上角）";
// The tab strip's background (GameFrame.xml), right of the tabs.
constexpr DWORD kStripColour = 0xE9EBEE;

struct OwnedSearch {
    HWND owner;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchOwned(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<OwnedSearch*>(data);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (GetWindow(window, GW_OWNER) == search->owner && wcscmp(name, search->className) == 0) search->found = window;
    return search->found == nullptr;
}

// A top-level window of the class owned by owner, or null.
HWND OwnedWindow(HWND owner, const wchar_t* className) {
    OwnedSearch search = {owner, className, nullptr};
    EnumWindows(&MatchOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CollectText(HWND child, LPARAM data) {
    wchar_t text[256] = {};
    GetWindowTextW(child, text, 256);
    *reinterpret_cast<std::wstring*>(data) += text;
    return TRUE;
}

// What a message box says (its children's texts, the OK button's among them).
std::wstring BoxText(HWND box) {
    std::wstring text;
    EnumChildWindows(box, &CollectText, reinterpret_cast<LPARAM>(&text));
    return text;
}

bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != 0; }

// A PNG file read back through GDI+.
class PngFile {
public:
    explicit PngFile(const std::wstring& path) {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) return;
        bitmap_.reset(Gdiplus::Bitmap::FromFile(path.c_str()));
        if (bitmap_ && bitmap_->GetLastStatus() != Gdiplus::Ok) bitmap_.reset();
    }
    ~PngFile() {
        bitmap_.reset();
        if (token_) Gdiplus::GdiplusShutdown(token_);
    }
    bool Valid() const { return bitmap_ != nullptr; }
    int Width() const { return bitmap_ ? static_cast<int>(bitmap_->GetWidth()) : 0; }
    int Height() const { return bitmap_ ? static_cast<int>(bitmap_->GetHeight()) : 0; }
    // 0x00RRGGBB
    DWORD Pixel(int x, int y) const {
        Gdiplus::Color colour;
        bitmap_->GetPixel(x, y, &colour);
        return colour.GetValue() & 0x00FFFFFF;
    }

private:
    ULONG_PTR token_ = 0;
    std::unique_ptr<Gdiplus::Bitmap> bitmap_;
};

// Reddish pixels in a rectangle of the screen (the mute label's red text).
int RedPixels(const RECT& screenRect) {
    HDC screen = GetDC(nullptr);
    std::vector<DWORD> pixels;
    harness::CapturePixels(screen, screenRect, &pixels);
    ReleaseDC(nullptr, screen);
    return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), [](DWORD p) {
        const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        return r > 170 && g < 130 && b < 130;
    }));
}

class TitleBarTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        WriteIni(PageKeys());
    }
    std::string PageKeys() const {
        const std::string base = harness::Narrow(backend_.HttpsUrl(L""));
        return "add_smallAccount_Domain=" + base + "/smallaccount/login.html?\r\nlist_smallAccount_Domain=" + base +
               "/smallaccount/list.html?\r\n";
    }
    // The frame with one tab of the game for the parameter, its page loaded.
    HWND StartWithTab(const std::wstring& param) {
        HWND frame = HandOverAndWaitForFrame(GameUrl(kGame), param);
        if (frame) WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return t.size() == 1; });
        if (frame) WaitLog(L"OnTitleChange, browser=1, title=");
        return frame;
    }
    // Clicks a title-bar button and waits for the window it opens.
    HWND OpenWindow(HWND frame, const wchar_t* button, const wchar_t* className, const wchar_t* title) {
        ClickControl(frame, button);
        return harness::WaitForTopWindow(className, title, true, kWaitMs);
    }
    // The engine's browser showing a page whose address holds part.
    int BrowserShowing(const std::wstring& part) {
        int id = 0;
        harness::WaitUntil([&] {
            for (const RemoteBrowser& b : Browsers())
                if (b.url.find(part) != std::wstring::npos) id = b.id;
            return id != 0;
        }, kWaitMs);
        return id;
    }
    bool Exited(DWORD* code) { return WaitPlayerExit(kWaitMs, code); }
    bool NoDump() const { return !harness::FileExists(dir_ + L"\\Dump"); }
    std::wstring ScreenshotFolder() const { return dir_ + L"\\shots"; }
};

// 1. The small-account login window over a tab with a game server: its
// window and page, the bar on it, a login that opens the account's tab
// while the window stays up, and page calls while the window closes.
TEST_F(TitleBarTest, SmallAccountLoginOpensTheAccountsTab) {
    HWND frame = StartWithTab(kServerParam);
    ASSERT_NE(nullptr, frame) << LogText();
    HWND dialog = OpenWindow(frame, L"small_account", kLoginClass, kLoginTitle);
    ASSERT_NE(nullptr, dialog) << LogText();

    // Made at (0, 0), then centred on the frame, then run modally.
    const RECT frameRect = harness::WindowRect(frame);
    auto centred = [&] {
        const RECT r = harness::WindowRect(dialog);
        return abs((frameRect.left + frameRect.right) / 2 - (r.left + r.right) / 2) <= 2 &&
               abs((frameRect.top + frameRect.bottom) / 2 - (r.top + r.bottom) / 2) <= 2;
    };
    EXPECT_TRUE(harness::WaitUntil(centred, kWaitMs));
    const RECT rect = harness::WindowRect(dialog);
    EXPECT_EQ(486, rect.right - rect.left);
    EXPECT_EQ(332, rect.bottom - rect.top);
    EXPECT_EQ(frame, GetWindow(dialog, GW_OWNER));
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsWindowEnabled(frame); }, kWaitMs));
    ASSERT_TRUE(harness::WaitUntil([&] { return !Gets("/smallaccount/login.html").empty(); }, kWaitMs)) << LogText();
    EXPECT_NE(std::string::npos, Gets("/smallaccount/login.html")[0].query.find("serverIdx=1&gid=7"));

    // The bar: owned by the window, layered tool window, not topmost, on it, following it.
    HWND bar = OwnedWindow(dialog, kBarClass);
    ASSERT_NE(nullptr, bar);
    const LONG_PTR exStyle = GetWindowLongPtrW(bar, GWL_EXSTYLE);
    EXPECT_EQ(WS_EX_LAYERED | WS_EX_TOOLWINDOW, exStyle & (WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_TRUE(harness::WaitUntil([&] { return SameRect(harness::WindowRect(bar), harness::WindowRect(dialog)); },
                                   kWaitMs));
    SetWindowPos(dialog, nullptr, rect.left + 40, rect.top + 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(harness::WaitUntil(
        [&] {
            const RECT moved = harness::WindowRect(bar);
            return moved.left == rect.left + 40 && SameRect(moved, harness::WindowRect(dialog));
        },
        kWaitMs));
    ASSERT_TRUE(harness::WaitUntil([&] { return LogHas(L"COpenSmallAccountDlg::url + param = "); }, kWaitMs));
    Sleep(500);
    EXPECT_TRUE(harness::SaveWindowScreenshot(dialog, L"webgame_small_account_login"));

    // The page logs in with a small account: a tab titled with the server and the account.
    const int page = BrowserShowing(L"/smallaccount/login.html");
    ASSERT_NE(0, page);
    Eval(page, L"window.external.loginSmallAccount('" + GameUrl(L"/webgame/game.html?alt=alt01") + L"', 'alt01'); 1");
    EXPECT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) {
        return t.size() == 2 && t[1].text == L"一区(alt01)" && t[1].selected;
    })) << LogText();
    EXPECT_TRUE(IsWindow(dialog)) << "the window stays until the page closes it";
    EXPECT_TRUE(LogHas(L"COpenSmallAccountDlg::HandleJSCall loginSmallAccount args=2"));

    // The page goes on calling while it closes the window: the calls that
    // come while and after the window goes reach nothing and do no harm.
    Eval(page, L"setInterval(function () { window.external.loginSmallAccount('late'); }, 1); 1");
    ASSERT_TRUE(WaitLog(L"COpenSmallAccountDlg::HandleJSCall loginSmallAccount args=1")) << LogText();
    Eval(page, L"window.external.closeModal(); 1");
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsWindow(dialog) && !IsWindow(bar) && IsWindowEnabled(frame); },
                                   kWaitMs));
    EXPECT_TRUE(harness::WindowAnswers(frame, 5000));
    EXPECT_EQ(2u, Tabs(frame).size());
    EXPECT_TRUE(NoDump());
    DWORD code = 1;
    PostMessageW(frame, WM_NOTIFY_USER_LOGOUT, 0, 0);
    ASSERT_TRUE(Exited(&code)) << LogText();
    EXPECT_EQ(0u, code);
}

// 2. The variants: a parameter without a server, a login with one argument,
// the page's popups, the management window without its page key, the two
// close buttons, and a tab without a parameter.
TEST_F(TitleBarTest, SmallAccountWindowVariants) {
    const std::string base = harness::Narrow(backend_.HttpsUrl(L""));
    WriteIni("add_smallAccount_Domain=" + base + "/smallaccount/login.html?\r\n");  // no list_smallAccount_Domain
    HWND frame = StartWithTab(L"&gid=7");
    ASSERT_NE(nullptr, frame) << LogText();
    HWND dialog = OpenWindow(frame, L"small_account", kLoginClass, kLoginTitle);
    ASSERT_NE(nullptr, dialog) << LogText();
    const int page = BrowserShowing(L"/smallaccount/login.html");
    ASSERT_NE(0, page);
    // A popup of the page: the user's browser for a web address, nothing for a program.
    const std::wstring help = GameUrl(L"/webgame/help.html");
    Eval(page, L"window.open('" + help + L"'); 0");
    ASSERT_TRUE(harness::WaitUntil([&] { return !harness::RecordedUrls(urlRecord_).empty(); }, kWaitMs)) << LogText();
    EXPECT_NE(std::wstring::npos, harness::RecordedUrls(urlRecord_)[0].find(help));
    EXPECT_TRUE(LogHas(L"COpenSmallAccountDlg::Open WebGame page URL=" + help));
    Eval(page, L"window.open('file:///C:/windows/notepad.exe'); 0");
    EXPECT_TRUE(WaitLog(L"not opened outside the program (not a web address): file:///C:/windows/notepad.exe"));
    Sleep(500);
    EXPECT_EQ(1u, harness::RecordedUrls(urlRecord_).size());
    // One argument asks for nothing; the next login is the only new tab.
    Eval(page, L"window.external.loginSmallAccount('" + GameUrl(L"/webgame/help.html") + L"'); 1");
    Eval(page, L"loginAs('alt01'); 1");
    EXPECT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return t.size() == 2 && t[1].text == L"(alt01)"; }))
        << LogText();
    Sleep(500);
    EXPECT_EQ(2u, Tabs(frame).size());
    // The skin's close button.
    ASSERT_TRUE(DuiLib::SkinSeamClick(dialog, L"closebtn", 10000));
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsWindow(dialog) && IsWindowEnabled(frame); }, kWaitMs));

    // The new tab has no parameter: the buttons are off and a click opens nothing.
    auto tree = Tree(frame);
    const DuiLib::SkinSeamControl* smallAccount = FindControl(tree, L"small_account");
    ASSERT_NE(nullptr, smallAccount);
    EXPECT_FALSE(smallAccount->enabled);
    ClickAt(frame, smallAccount->pos);
    Sleep(1000);
    EXPECT_EQ(nullptr, harness::FindTopWindow(kLoginClass, nullptr, false));

    // Back on the first tab: the management window, closed by the bar's close button.
    ClickAt(frame, Tabs(frame)[0].pos);
    ASSERT_TRUE(harness::WaitUntil([&] {
        const auto tree = Tree(frame);
        const DuiLib::SkinSeamControl* manage = FindControl(tree, L"manage_account");
        return manage && manage->enabled;
    }, kWaitMs));
    HWND manage = OpenWindow(frame, L"manage_account", L"ManegeSmallAccount", L"小号管理窗口");
    ASSERT_NE(nullptr, manage) << LogText();
    // Without its page key the window loads the parameter alone, and says so.
    EXPECT_TRUE(WaitLog(L"CManageSmallAccountDlg::url + param = &gid=7")) << LogText();
    EXPECT_TRUE(LogHas(L"list_smallAccount_Domain is not set"));
    HWND bar = OwnedWindow(manage, kBarClass);
    ASSERT_NE(nullptr, bar);
    Sleep(300);
    EXPECT_TRUE(harness::SaveWindowScreenshot(manage, L"webgame_small_account_manage"));
    const RECT barRect = harness::WindowRect(bar);
    // The bar's button: a 28 x 28 frame, 1 pixel in from the top right.
    const LPARAM at = MAKELPARAM(barRect.right - barRect.left - 15, 15);
    PostMessageW(bar, WM_MOUSEMOVE, 0, at);
    PostMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(bar, WM_LBUTTONUP, 0, at);
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsWindow(manage) && IsWindowEnabled(frame); }, kWaitMs));
    DWORD code = 1;
    PostMessageW(frame, WM_NOTIFY_USER_LOGOUT, 0, 0);
    ASSERT_TRUE(Exited(&code)) << LogText();
    EXPECT_EQ(0u, code);
}

// 3. A close while a window runs over the frame (small-account window,
// screenshot message box) ends that window first, then the player.
TEST_F(TitleBarTest, ClosingWhileAWindowIsUpEndsItFirst) {
    struct Case {
        const wchar_t* button;
        const wchar_t* className;
        const wchar_t* title;
        UINT message;
        WPARAM wParam;
    } cases[] = {
        {L"small_account", kLoginClass, kLoginTitle, WM_NOTIFY_USER_LOGOUT, 0},
        {L"small_account", kLoginClass, kLoginTitle, WM_SYSCOMMAND, SC_CLOSE},
        {L"screenshotbtn", L"#32770", L"提示", WM_NOTIFY_USER_LOGOUT, 0},
        {L"screenshotbtn", L"#32770", L"提示", WM_SYSCOMMAND, SC_CLOSE},
    };
    WriteIni(PageKeys() + "ScreenshotFullPath=" + harness::Narrow(ScreenshotFolder()) + "\r\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::wstring(c.button) + L" " + std::to_wstring(c.message));
        HWND frame = StartWithTab(kServerParam);
        ASSERT_NE(nullptr, frame) << LogText();
        HWND window = OpenWindow(frame, c.button, c.className, c.title);
        ASSERT_NE(nullptr, window) << LogText();
        PostMessageW(frame, c.message, c.wParam, 0);
        DWORD code = 1;
        ASSERT_TRUE(Exited(&code)) << LogText();
        EXPECT_EQ(0u, code);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_TRUE(NoDump());
    }
}

// 4. Screenshots: numbered on from SCreenID into a folder given without its
// backslash, past an older shot that holds the next number (it is never
// overwritten), the frame as it stands on the display, the number kept; a
// frame partly off the display gives its visible part; an unwritable
// folder gives the failure text and no file.
TEST_F(TitleBarTest, ScreenshotsAreNumberedAndShowTheVisibleFrame) {
    WriteIni(PageKeys() + "ScreenshotFullPath=" + harness::Narrow(ScreenshotFolder()) + "\r\nSCreenID=5\r\n");
    const std::wstring olderShot = ScreenshotFolder() + L"\\MyPicture7.png";
    const std::string olderBytes = "an older shot, from before SCreenID was last written";
    CreateDirectoryW(ScreenshotFolder().c_str(), nullptr);
    ASSERT_TRUE(harness::WriteFileBytes(olderShot, olderBytes));
    HWND frame = StartWithTab(kServerParam);
    ASSERT_NE(nullptr, frame) << LogText();
    const RECT rect = harness::WindowRect(frame);

    for (int number : {6, 8}) {
        HWND box = OpenWindow(frame, L"screenshotbtn", L"#32770", L"提示");
        ASSERT_NE(nullptr, box) << LogText();
        EXPECT_NE(std::wstring::npos, BoxText(box).find(kSavedText)) << harness::Narrow(BoxText(box));
        EXPECT_TRUE(harness::ReadFileBytes(olderShot) == olderBytes) << "a shot overwrote an older one";
        const std::wstring file = ScreenshotFolder() + L"\\MyPicture" + std::to_wstring(number) + L".png";
        PngFile png(file);
        ASSERT_TRUE(png.Valid()) << harness::Narrow(file);
        EXPECT_EQ(rect.right - rect.left, png.Width());
        EXPECT_EQ(rect.bottom - rect.top, png.Height());
        EXPECT_EQ(kStripColour, png.Pixel(400, 10));
        EXPECT_EQ(std::to_wstring(number), IniValue(L"WebGame", L"SCreenID"));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(harness::WaitUntilHidden(box, kWaitMs));
    }
    EXPECT_FALSE(harness::FileExists(dir_ + L"\\shotsMyPicture6.png"));
    // The time the capture and the file took (the line the player writes).
    for (const std::wstring& line : PlayerLog()) {
        const size_t at = line.find(L" saved in ");
        if (at == std::wstring::npos) continue;
        const int ms = _wtoi(line.c_str() + at + 10);
        printf("screenshot of the %ldx%ld frame to PNG: %d ms\n", rect.right - rect.left, rect.bottom - rect.top, ms);
        EXPECT_LE(ms, 1000) << "bound 150 ms, with room for a loaded machine";
    }

    // Partly off the display on the left: the visible part only.
    SetWindowPos(frame, nullptr, -200, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Sleep(500);
    HWND box = OpenWindow(frame, L"screenshotbtn", L"#32770", L"提示");
    ASSERT_NE(nullptr, box) << LogText();
    PngFile visible(ScreenshotFolder() + L"\\MyPicture9.png");
    ASSERT_TRUE(visible.Valid());
    EXPECT_EQ(rect.right - rect.left - 200, visible.Width());
    EXPECT_EQ(kStripColour, visible.Pixel(200, 10));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(harness::WaitUntilHidden(box, kWaitMs));

    PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 1;
    ASSERT_TRUE(Exited(&code)) << LogText();
    EXPECT_EQ(0u, code);
    EXPECT_EQ(L"9", IniValue(L"WebGame", L"SCreenID"));
    EXPECT_TRUE(harness::ReadFileBytes(olderShot) == olderBytes) << "a shot overwrote an older one";

    // A folder below a file cannot be made: the failure text, no file, the number kept.
    ASSERT_TRUE(harness::WriteFileBytes(dir_ + L"\\notafolder", "x"));
    WriteIni(PageKeys() + "ScreenshotFullPath=" + harness::Narrow(dir_) + "\\notafolder\\shots\r\nSCreenID=8\r\n");
    frame = StartWithTab(kServerParam);
    ASSERT_NE(nullptr, frame) << LogText();
    box = OpenWindow(frame, L"screenshotbtn", L"#32770", L"提示");
    ASSERT_NE(nullptr, box) << LogText();
    EXPECT_NE(std::wstring::npos, BoxText(box).find(L"截屏保存失败")) << harness::Narrow(BoxText(box));
    EXPECT_EQ(L"8", IniValue(L"WebGame", L"SCreenID"));
    EXPECT_TRUE(LogHas(L"could not be saved"));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(harness::WaitUntilHidden(box, kWaitMs));
    PostMessageW(frame, WM_NOTIFY_USER_LOGOUT, 0, 0);
    ASSERT_TRUE(Exited(&code)) << LogText();
    EXPECT_EQ(L"8", IniValue(L"WebGame", L"SCreenID"));
}

// 5. The mute button: each click flips the state, shows it (red while muted),
// tells the sound mute (its mixer outcome logged) and keeps it; a start with
// the state set shows it without touching the mixer.
TEST_F(TitleBarTest, MuteButtonShowsAndKeepsTheState) {
    HWND frame = StartWithTab(kServerParam);
    ASSERT_NE(nullptr, frame) << LogText();
    auto labelRect = [&] {
        const auto tree = Tree(frame);
        const DuiLib::SkinSeamControl* label = FindControl(tree, L"DisableSound");
        if (!label) return RECT{};
        const POINT topLeft = harness::ClientToScreenPoint(frame, label->pos.left, label->pos.top);
        const POINT bottomRight = harness::ClientToScreenPoint(frame, label->pos.right, label->pos.bottom);
        return RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    };
    // Above every other window of the display while its pixels are read.
    SetWindowPos(frame, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Sleep(300);
    EXPECT_EQ(0, RedPixels(labelRect()));

    ClickControl(frame, L"DisableSound");
    ASSERT_TRUE(harness::WaitUntil([&] { return IniValue(L"WebGame", L"IsDisableSound") == L"1"; }, kWaitMs));
    EXPECT_TRUE(WaitLog(L"mute=1: mixer mute set on 0 of 7 destination lines")) << LogText();
    EXPECT_TRUE(harness::WaitUntil([&] { return RedPixels(labelRect()) > 5; }, kWaitMs));
    EXPECT_TRUE(harness::SaveWindowScreenshot(frame, L"webgame_frame_muted"));

    ClickControl(frame, L"DisableSound");
    ASSERT_TRUE(harness::WaitUntil([&] { return IniValue(L"WebGame", L"IsDisableSound") == L"0"; }, kWaitMs));
    EXPECT_TRUE(WaitLog(L"mute=0: mixer mute set on 0 of 7 destination lines")) << LogText();
    EXPECT_TRUE(harness::WaitUntil([&] { return RedPixels(labelRect()) == 0; }, kWaitMs));
    PostMessageW(frame, WM_NOTIFY_USER_LOGOUT, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(Exited(&code)) << LogText();

    // A start with the state set: red at once, no call to the mixer.
    WriteIni(PageKeys() + "IsDisableSound=1\r\n");
    harness::RemoveTree(dir_ + L"\\Log");
    frame = StartWithTab(kServerParam);
    ASSERT_NE(nullptr, frame) << LogText();
    SetWindowPos(frame, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_TRUE(harness::WaitUntil([&] { return RedPixels(labelRect()) > 5; }, kWaitMs));
    EXPECT_FALSE(LogHas(L"mixer mute set on"));
    EXPECT_FALSE(LogHas(L"mixerOpen"));
    PostMessageW(frame, WM_NOTIFY_USER_LOGOUT, 0, 0);
    ASSERT_TRUE(Exited(&code)) << LogText();
    EXPECT_EQ(L"1", IniValue(L"WebGame", L"IsDisableSound"));
}

}  // namespace
