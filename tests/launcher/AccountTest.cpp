// The launcher's account as a user meets it, against the local back-end's
// account site (account_routes.json): the login dialog opened from the head
// button, what a login brings (nick, head image, the account's game list,
// the file the player reads), the token watch, the logout from the
// drag-down menu, accounts that follow each other, the café and free logins
// with their channel switches, and closing while logged in.
#include <gtest/gtest.h>

#include <algorithm>

#include "DialogTestSupport.h"
#include "LauncherRun.h"
#include "WindowTool.h"

namespace {

using dialogs::PickFromDragDownMenu;
using launcher::Control;
using launcher::LauncherRun;
using launcher::QueryValue;
using launcher::RequestsOf;

const char kApiPath[] = "/orv2/api/getFrontData.do";
const wchar_t kGameLaunchKey[] = L"SoftWare\\QXORV2\\GameLaunch";

// One game shown from the cached list before anyone logs in.
const wchar_t kLocalGame[] =
    L"{\"code\":0,\"gamelist\":[{\"id\":0,\"pkgid\":0,\"jt_game_id\":7003,\"game_name\":\"剑影江湖\","
    L"\"game_type\":3,\"list_index\":0}]}";

std::wstring ControlText(const LauncherRun& run, const std::wstring& name) {
    Control c;
    return run.FindControl(name, &c) ? c.text : L"<no control>";
}

bool WaitForText(const LauncherRun& run, const std::wstring& name, const std::wstring& text, DWORD timeoutMs) {
    return harness::WaitUntil([&] { return ControlText(run, name) == text; }, timeoutMs);
}

bool IsSelected(const Control& c) { return c.selected; }
bool IsVisible(const Control& c) { return c.visible; }
bool IsHidden(const Control& c) { return !c.visible; }

std::vector<std::wstring> ButtonTexts(const LauncherRun& run) {
    std::vector<std::wstring> texts;
    for (const Control& c : run.GameButtons()) texts.push_back(c.text);
    std::sort(texts.begin(), texts.end());
    return texts;
}

// The bytes the player reads: UTF-16LE code units, no byte-order mark, no terminator.
std::string Utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

bool PageLoaded(const LauncherRun& run, int browser) {
    return harness::WaitUntil([&] { return run.EvalResult(browser, L"document.readyState") == L"complete"; },
                              30000);
}

bool SetLaunchParam() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kGameLaunchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
        return false;
    const wchar_t value[] = L"gameId=7001";
    LONG rv = RegSetValueExW(key, L"param", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof(value));
    RegCloseKey(key);
    return rv == ERROR_SUCCESS;
}

bool LaunchParamExists() {
    DWORD size = 0;
    return RegGetValueW(HKEY_CURRENT_USER, kGameLaunchKey, L"param", RRF_RT_REG_SZ, nullptr, nullptr, &size) ==
           ERROR_SUCCESS;
}

class AccountTest : public launcher::LauncherTest {
protected:
    void SetUp() override {
        launcher::LauncherTest::SetUp();
        ASSERT_TRUE(launcher::AddFixtureRoutes(L"account_routes.json"));
    }

    // The account site on the back-end's HTTP listener, so its logout page
    // and cookie share the host of the channel pages.
    void Start(LauncherRun& run) {
        run.WriteIni();
        run.SetIniValue(L"main", L"Login_url", launcher::HttpBase() + L"/account/login.html");
        run.SetIniValue(L"main", L"Account_url", launcher::HttpBase());
        run.EnableRemoteControl();
        ASSERT_TRUE(run.Start());
        ASSERT_NE(nullptr, run.WaitForMainWindow()) << run.LogText();
    }

    // Clicks the head button and waits for the login dialog and its page.
    HWND OpenLoginDialog(LauncherRun& run, int* page) {
        *page = 0;
        if (!run.Click(L"header_btn")) return nullptr;
        HWND dialog = harness::WaitForWindow(L"LoginDlg", L"Vanta登录窗口", 30000);
        if (!dialog) return nullptr;
        *page = run.WaitForBrowser(L"/account/login.html", 30000);
        return *page && PageLoaded(run, *page) ? dialog : nullptr;
    }
};

TEST_F(AccountTest, LoginFromTheHeadButtonTokenLossSecondAccountAndClose) {
    LauncherRun run;
    ASSERT_TRUE(run.WriteGameBtnFile(kLocalGame));
    Start(run);
    EXPECT_TRUE(WaitForText(run, L"user_nick", L"登录", 20000));

    // The dialog: modal over the main window, 800 x 572, centred, the login page in it.
    int page = 0;
    HWND dialog = OpenLoginDialog(run, &page);
    ASSERT_NE(nullptr, dialog) << run.LogText();
    RECT rect = harness::WindowRect(dialog);
    EXPECT_EQ(800, rect.right - rect.left);
    EXPECT_EQ(572, rect.bottom - rect.top);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 800) / 2, rect.left);
    EXPECT_EQ(run.MainWindow(), GetWindow(dialog, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(run.MainWindow())) << "the dialog is modal";
    Sleep(500);  // the page's first paint
    EXPECT_TRUE(harness::SaveWindowScreenshot(dialog, L"launcher_login_dialog"));

    // The page's openUrl: type 3 does nothing; the shell gets web addresses only.
    run.Eval(page, L"window.external.openUrl(3, 'http://127.0.0.1:9/x');"
                   L"window.external.openUrl(1, 'file:///C:/windows/notepad.exe'); 1");
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|login page: open type=3 URL=http://127.0.0.1:9/x"));
    EXPECT_TRUE(run.WaitForLog(L"[Warning]|not opened: not a web address, URL=file:///C:/windows/notepad.exe"));

    // The login: the page's userLogin closes the dialog and the window shows the account.
    run.Eval(page, L"login('mei'); 1");
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsWindow(dialog); }, 20000));
    EXPECT_TRUE(WaitForText(run, L"user_nick", L"mei", 20000)) << run.LogText();
    EXPECT_TRUE(run.LogHas(L"[Info]|CLoginDlg::HandleJSCall userLogin args=2"));
    EXPECT_TRUE(harness::WaitUntil(
        [] { return !RequestsOf(kApiPath, "type=queryplaygame&userAccount=mei").empty(); }, 20000));
    const std::wstring head = run.Dir() + L"\\skin\\headimage\\user_mei.png";
    EXPECT_TRUE(harness::WaitForFile(head, 20000));
    EXPECT_TRUE(run.WaitForLog(L"CMainWnd::HandleCustomMessage WM_UPDATE_USER_HEAD"));
    EXPECT_EQ(Utf16Bytes(L"mei\tHeaderImagePath=" + head),
              harness::ReadFileBytes(run.Dir() + L"\\Temp\\10002.txt"));

    // The account's games from the back-end join the game shown before.
    const std::vector<std::wstring> merged = {L"Paper Kingdom", L"剑影江湖", L"星海征途"};
    EXPECT_TRUE(harness::WaitUntil([&] { return ButtonTexts(run) == merged; }, 20000))
        << harness::Narrow(ButtonTexts(run).empty() ? L"" : ButtonTexts(run)[0]);
    EXPECT_TRUE(harness::SaveWindowScreenshot(run.MainWindow(), L"launcher_logged_in"));
    // The order that changed while merging is reported for the account.
    const std::string orderReport =
        "type=updateplaygame&userAccount=mei&gameList=[{\"id\":12,\"list_index\":2,\"idType\":1}]";
    EXPECT_TRUE(harness::WaitUntil(
        [&] {
            for (const auto& r : RequestsOf(kApiPath)) {
                if (r.method == "POST" && r.body == orderReport) return true;
            }
            return false;
        },
        20000));

    // The account site's cookie goes away: within the watch's period the window is logged out.
    int lobby = run.WaitForBrowser(L"/launcher/html/lobby.html");
    ASSERT_NE(0, lobby);
    run.Eval(lobby, L"document.cookie = '_bp_ff_=; expires=Thu, 01 Jan 1970 00:00:00 GMT; path=/'; 1");
    EXPECT_TRUE(WaitForText(run, L"user_nick", L"登录", 15000)) << run.LogText();
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|delete cookie account"));
    EXPECT_TRUE(run.WaitForControl(L"dragdown_btn", IsHidden, 10000));

    // An account whose game list the back-end answers late: she logs out
    // from the drag-down menu (there since her login) before it comes.
    dialog = OpenLoginDialog(run, &page);
    ASSERT_NE(nullptr, dialog) << run.LogText();
    run.Eval(page, L"login('lena', ''); 1");
    EXPECT_TRUE(WaitForText(run, L"user_nick", L"lena", 20000));
    EXPECT_TRUE(harness::WaitUntil(
        [] { return !RequestsOf(kApiPath, "type=queryplaygame&userAccount=lena").empty(); }, 20000));
    EXPECT_TRUE(harness::FileExists(run.Dir() + L"\\Temp\\10002.txt"));
    const size_t cookieDeletes = run.CountLog(L"delete cookie account");
    ASSERT_TRUE(PickFromDragDownMenu(run, L"menu_loginout")) << run.LogText();
    EXPECT_TRUE(WaitForText(run, L"user_nick", L"登录", 10000));
    EXPECT_TRUE(run.LogHas(L"[Debug]|user loginout"));
    EXPECT_EQ(cookieDeletes + 1, run.CountLog(L"delete cookie account")) << "not a café login: the cookie goes";
    EXPECT_TRUE(run.WaitForControl(L"dragdown_btn", IsHidden, 10000));
    EXPECT_FALSE(harness::FileExists(run.Dir() + L"\\Temp\\10002.txt")) << "nothing of hers for the player";
    EXPECT_NE(0, run.WaitForBrowser(L"/user/logout?curUrl=")) << "the lobby shows the account site's logout";
    // Back to the lobby's own page: the next login reloads the channel pages,
    // and the logout page would take that account's cookie again.
    ASSERT_TRUE(run.Click(L"channel_btn_0"));
    ASSERT_TRUE(PageLoaded(run, run.WaitForBrowser(L"/launcher/html/lobby.html")));

    // Another account whose list on the back-end is empty: the games shown are added to it.
    dialog = OpenLoginDialog(run, &page);
    ASSERT_NE(nullptr, dialog) << run.LogText();
    run.Eval(page, L"login('bob', ''); 1");
    EXPECT_TRUE(WaitForText(run, L"user_nick", L"bob", 20000));
    EXPECT_TRUE(run.WaitForLog(L"[Info]|CMainWnd game list in server is null"));
    auto addedForBob = [] {
        std::vector<backend::RecordedRequest> found;
        for (const auto& r : RequestsOf(kApiPath, "type=addplaygame")) {
            if (QueryValue(r.query, "userAccount") == "bob") found.push_back(r);
        }
        return found;
    };
    EXPECT_TRUE(harness::WaitUntil([&] { return addedForBob().size() >= 3; }, 20000));
    std::vector<std::string> added;
    for (const auto& r : addedForBob()) {
        EXPECT_EQ("2", QueryValue(r.query, "idType"));
        added.push_back(QueryValue(r.query, "gameId"));
    }
    std::sort(added.begin(), added.end());
    EXPECT_EQ((std::vector<std::string>{"7001", "7002", "7003"}), added);
    EXPECT_FALSE(harness::FileExists(run.Dir() + L"\\skin\\headimage\\user_bob.png")) << "bob has no head image";
    // lena's list, asked for before her logout, comes while bob is logged in: it is not his.
    EXPECT_TRUE(run.WaitForLog(L"[Warning]|CMainWnd game list of account lena dropped")) << run.LogText();
    EXPECT_EQ(L"bob", ControlText(run, L"user_nick"));
    const std::vector<std::wstring> bobs = ButtonTexts(run);
    EXPECT_EQ(bobs.end(), std::find(bobs.begin(), bobs.end(), L"迟来的游戏"));

    // Closing while logged in: cookie, player, tray, then the launch parameter and the logout.
    ASSERT_TRUE(SetLaunchParam());
    ASSERT_TRUE(run.Click(L"closebtn"));
    DWORD code = 1;
    ASSERT_TRUE(run.Process().Wait(30000, &code)) << run.LogText();
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(LaunchParamExists());
    size_t enter = run.LogIndex(L"[Info]|CMainWnd::OnCloseMainWnd enter");
    ASSERT_NE(std::wstring::npos, enter);
    size_t cookie = run.Log().size(), player = run.LogIndex(L"is not window"),
           logout = run.LogIndex(L"[Debug]|CMainWnd.DoUserLogout"),
           done = run.LogIndex(L"[Debug]|CMainWnd done run jscode: user logout");
    std::vector<std::wstring> lines = run.Log();
    for (size_t i = enter; i < lines.size(); ++i) {
        if (lines[i].find(L"delete cookie account") != std::wstring::npos) {
            cookie = i;
            break;
        }
    }
    EXPECT_LT(enter, cookie);
    EXPECT_LT(cookie, player);
    EXPECT_LT(player, logout);
    EXPECT_LT(logout, done);
    EXPECT_NE(std::wstring::npos, done);
}

TEST_F(AccountTest, CafeAndFreeLoginsSwitchChannels) {
    LauncherRun run;
    Start(run);
    int lobby = run.WaitForBrowser(L"/launcher/html/lobby.html");
    ASSERT_NE(0, lobby);
    ASSERT_TRUE(PageLoaded(run, lobby));

    // The café login: the account, the file for the player, the my-games channel with the café mark.
    run.Eval(lobby, L"window.external.loginByICafe('carol', location.protocol + '//' + location.host + "
                    L"'/account/head/carol.png', 1); 1");
    EXPECT_TRUE(WaitForText(run, L"user_nick", L"carol", 20000)) << run.LogText();
    int mine = run.WaitForBrowser(L"/launcher/html/mygames.html?isLoginByICafe=1", 30000);
    EXPECT_NE(0, mine) << run.LogText();
    EXPECT_TRUE(run.WaitForControl(L"channel_btn_1", IsSelected, 10000));
    EXPECT_TRUE(run.WaitForControl(L"tab_1", IsVisible, 10000));
    EXPECT_TRUE(run.WaitForControl(L"tab_0", IsHidden, 10000));
    EXPECT_TRUE(harness::WaitForFile(run.Dir() + L"\\skin\\headimage\\user_carol.png", 20000));
    std::string user = harness::ReadFileBytes(run.Dir() + L"\\Temp\\10002.txt");
    EXPECT_EQ(0u, user.find(Utf16Bytes(L"carol\tHeaderImagePath="))) << user.size();

    // The my-games page asks for the lobby: its channel comes back with its own page.
    ASSERT_NE(0, mine);
    run.Eval(mine, L"window.external.NavigateGameLobby(); 1");
    EXPECT_TRUE(run.WaitForControl(L"channel_btn_0", IsSelected, 10000));
    EXPECT_TRUE(run.WaitForControl(L"tab_0", IsVisible, 10000));
    EXPECT_TRUE(run.WaitForControl(L"tab_1", IsHidden, 10000));
    // Back to my games by its button: the current channel was kept right.
    ASSERT_TRUE(run.Click(L"channel_btn_1"));
    EXPECT_TRUE(run.WaitForControl(L"tab_1", IsVisible, 10000));
    EXPECT_TRUE(run.WaitForControl(L"tab_0", IsHidden, 10000));

    // A café login's logout leaves the account cookie alone: it is the café's.
    const size_t cookieDeletes = run.CountLog(L"delete cookie account");
    ASSERT_TRUE(PickFromDragDownMenu(run, L"menu_loginout")) << run.LogText();
    EXPECT_TRUE(WaitForText(run, L"user_nick", L"登录", 10000));
    EXPECT_TRUE(run.LogHas(L"[Debug]|user loginout"));
    EXPECT_EQ(cookieDeletes, run.CountLog(L"delete cookie account")) << run.LogText();
    EXPECT_TRUE(run.WaitForControl(L"dragdown_btn", IsHidden, 10000));
    ASSERT_EQ(lobby, run.WaitForBrowser(L"/user/logout?curUrl=")) << "the lobby shows the account site's logout";
    ASSERT_TRUE(run.Click(L"channel_btn_0"));
    ASSERT_EQ(lobby, run.WaitForBrowser(L"/launcher/html/lobby.html"));
    ASSERT_TRUE(PageLoaded(run, lobby));

    // A free login with no account changes nothing shown and writes nothing
    // for the player (the window thread takes the page's calls in order: the
    // second call's log line comes after the first one ran).
    const std::wstring userFile = run.Dir() + L"\\Temp\\10002.txt";
    run.Eval(lobby, L"window.external.userLoginByFree('', ''); window.external.switchWebWindow(7); 1");
    ASSERT_TRUE(run.WaitForLog(L"[Info]|SwitchWebWindow 7"));
    EXPECT_EQ(L"登录", ControlText(run, L"user_nick"));
    EXPECT_TRUE(run.WaitForControl(L"dragdown_btn", IsHidden, 1000));
    EXPECT_FALSE(harness::FileExists(userFile));
    // One with an account shows it.
    run.Eval(lobby, L"window.external.userLoginByFree('dave', ''); 1");
    EXPECT_TRUE(WaitForText(run, L"user_nick", L"dave", 20000));
    EXPECT_TRUE(harness::WaitUntil(
        [] { return !RequestsOf(kApiPath, "type=queryplaygame&userAccount=dave").empty(); }, 20000));

    // An account text that is no file name: its head image stays in the head
    // image folder, under the name made of it, and the player is told that name.
    run.Eval(lobby, L"window.external.userLoginByFree('../../../eve', location.protocol + '//' + location.host + "
                    L"'/account/head/carol.png'); 1");
    EXPECT_TRUE(WaitForText(run, L"user_nick", L"../../../eve", 20000));
    const std::wstring eveHead = run.Dir() + L"\\skin\\headimage\\user_.._.._.._eve.png";
    EXPECT_TRUE(harness::WaitForFile(eveHead, 20000)) << run.LogText();
    EXPECT_EQ(Utf16Bytes(L"../../../eve\tHeaderImagePath=" + eveHead), harness::ReadFileBytes(userFile));
    EXPECT_FALSE(harness::FileExists(run.Dir() + L"\\skin\\eve.png"));

    // Another program asks for a page game's login page while the window is minimised.
    ASSERT_TRUE(run.Click(L"channel_btn_1"));
    ShowWindow(run.MainWindow(), SW_MINIMIZE);
    ASSERT_TRUE(harness::WaitUntil([&] { return IsIconic(run.MainWindow()) != 0; }, 10000));
    PostMessageW(run.MainWindow(), 9025, 7001, 1);
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsIconic(run.MainWindow()); }, 10000));
    EXPECT_NE(0, run.WaitForBrowser(L"/pageGameLogin?gameId=7001", 30000));
    EXPECT_TRUE(run.WaitForControl(L"channel_btn_0", IsSelected, 10000));
    EXPECT_TRUE(run.WaitForControl(L"tab_0", IsVisible, 10000));
    EXPECT_TRUE(run.LogHas(L"[Info]|nPkgid = 7001, url = " + launcher::HttpBase() + L"/pageGameLogin?gameId=7001"));

    EXPECT_TRUE(run.CloseAndExitCleanly());
}

}  // namespace
