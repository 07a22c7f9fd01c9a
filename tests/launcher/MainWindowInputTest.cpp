// The launcher's main window driven with the real mouse (so this program
// runs alone): screenshots with real data, hover, drag ordering of the game
// buttons and their menu.
#include <gtest/gtest.h>

#include <iostream>

#include "LauncherRun.h"
#include "WindowTool.h"
#include "sqlite_helper.h"

namespace {

using launcher::Control;
using launcher::LauncherRun;

bool IsVisible(const Control& c) { return c.visible; }

// Far above what building 200 game buttons takes on a loaded machine.
constexpr long kLongListBuildBoundMs = 2000;

// Four games without a café client; their icons come from the back-end.
const wchar_t kFourGames[] =
    L"{\"code\":0,\"gamelist\":["
    L"{\"id\":0,\"pkgid\":0,\"jt_game_id\":7001,\"game_name\":\"星海征途\",\"game_type\":2,\"list_index\":0},"
    L"{\"id\":0,\"pkgid\":0,\"jt_game_id\":7002,\"game_name\":\"Paper Kingdom\",\"game_type\":1,\"open_type\":1,"
    L"\"list_index\":1},"
    L"{\"id\":0,\"pkgid\":0,\"jt_game_id\":7003,\"game_name\":\"剑影江湖\",\"game_type\":3,\"list_index\":2},"
    L"{\"id\":0,\"pkgid\":0,\"jt_game_id\":7004,\"game_name\":\"方块乐园\",\"game_type\":1,\"open_type\":2,"
    L"\"list_index\":3}]}";

const char kApiPath[] = "/orv2/api/getFrontData.do";

size_t OrderReportCount() {
    size_t count = 0;
    for (const backend::RecordedRequest& r : launcher::RequestsOf("/orv2/api/getFrontData.do"))
        count += r.body.find("updateplaygame") != std::string::npos;
    return count;
}

std::vector<std::wstring> ButtonTexts(const LauncherRun& run) {
    std::vector<std::wstring> texts;
    for (const Control& c : run.GameButtons()) texts.push_back(c.text);
    return texts;
}

// The game buttons' control names in list order (their texts change under the pointer).
std::vector<std::wstring> ButtonNames(const LauncherRun& run) {
    std::vector<std::wstring> names;
    for (const Control& c : run.GameButtons()) names.push_back(c.name);
    return names;
}

// Moves the pointer a few pixels to and fro about the point, 150 ms apart,
// longer than the launcher's 100 ms between two moves of a dragged button.
void HoverAround(POINT at, int moves) {
    for (int i = 0; i < moves; ++i) {
        harness::MoveCursorTo(POINT{at.x + (i % 2 ? 3 : -3), at.y});
        Sleep(150);
    }
}

// Presses the left button at from and moves it in steps onto to, where it
// stays down.
void PressAndMoveOnto(POINT from, POINT to, int steps) {
    harness::PressLeft(from);
    Sleep(150);
    for (int i = 1; i <= steps; ++i) {
        harness::MoveCursorTo(POINT{from.x, from.y + (to.y - from.y) * i / steps});
        Sleep(70);
    }
    HoverAround(to, 4);
}

// The names of the items a menu window shows.
std::vector<std::wstring> MenuItems(const LauncherRun& run, HWND menu) {
    std::vector<std::wstring> names;
    for (const Control& c : run.Tree(menu)) {
        if (c.className == L"MenuElementUI" && c.visible) names.push_back(c.name);
    }
    return names;
}

// The order reports the back-end received for an account, in arrival order.
std::vector<std::string> OrderReportsOf(const std::string& account) {
    std::vector<std::string> bodies;
    for (const backend::RecordedRequest& r : launcher::RequestsOf(kApiPath)) {
        if (r.method == "POST" && r.body.find("type=updateplaygame&userAccount=" + account + "&") == 0)
            bodies.push_back(r.body);
    }
    return bodies;
}

// A window of this program takes the mouse capture from the launcher while
// its button is held, as a window that comes forward then does; the capture
// is given back and the window goes with this object.
class CaptureTaker {
public:
    explicit CaptureTaker(HWND from)
        : thread_(GetWindowThreadProcessId(from, nullptr)),
          window_(CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"capture", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr)) {
        // Sharing the launcher's input makes the capture the one its mouse messages follow.
        attached_ = window_ && AttachThreadInput(GetCurrentThreadId(), thread_, TRUE);
        if (attached_) SetCapture(window_);
    }
    ~CaptureTaker() {
        ReleaseCapture();
        if (attached_) AttachThreadInput(GetCurrentThreadId(), thread_, FALSE);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (window_) DestroyWindow(window_);
    }
    CaptureTaker(const CaptureTaker&) = delete;
    CaptureTaker& operator=(const CaptureTaker&) = delete;
    bool Took() const { return window_ && GetCapture() == window_; }
    // Takes the button-up that the capture brings to this window.
    bool WaitForButtonUp(DWORD timeoutMs) {
        MSG msg;
        return harness::WaitUntil(
            [&] { return PeekMessageW(&msg, window_, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE) != FALSE; }, timeoutMs);
    }

private:
    DWORD thread_;
    HWND window_;
    bool attached_ = false;
};

// Colour distance small enough for "this colour" on a screenshot.
bool Near(DWORD rgb, DWORD expected) {
    auto channel = [](DWORD c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
    for (int shift : {0, 8, 16}) {
        if (abs(channel(rgb, shift) - channel(expected, shift)) > 40) return false;
    }
    return true;
}

class MainWindowInputTest : public launcher::LauncherTest {
protected:
    void SetUp() override {
        launcher::LauncherTest::SetUp();
        // Keep the pointer off the window until a test moves it.
        harness::MoveCursorTo(POINT{2, 2});
    }

    // A run with the fixture's channels and four games, shown and with their icons.
    HWND StartWithGames(LauncherRun& run) {
        run.WriteIni();
        if (!run.WriteGameBtnFile(kFourGames) || !run.Start()) return nullptr;
        HWND window = run.WaitForMainWindow();
        if (!window) return nullptr;
        bool icons = harness::WaitUntil([&] { return run.CountLog(L"CMainWnd update gamebtn icon") >= 4; }, 30000);
        return icons ? window : nullptr;
    }

    // Shows "my games" and waits until its page is laid out.
    bool ShowMyGames(LauncherRun& run) {
        return run.Click(L"my_game_btn") && run.WaitForControl(L"my_game_wnd", IsVisible, 10000) &&
               harness::WaitUntil([&] {
                   std::vector<Control> buttons = run.GameButtons();
                   return !buttons.empty() && buttons[0].pos.bottom > buttons[0].pos.top;
               }, 10000);
    }
};

TEST_F(MainWindowInputTest, ShowsChannelsAndGamesInTheShippedSkin) {
    LauncherRun run;
    HWND window = StartWithGames(run);
    ASSERT_NE(nullptr, window) << run.LogText();
    ASSERT_TRUE(harness::WaitUntil([&] { return run.CountLog(L"WM_UPDATE_CHANNEL_ICON") >= 6; }, 30000))
        << run.LogText();
    ASSERT_TRUE(run.WaitForLog(L"OnWebPageLoadEnd cef=cef_0 url=" + launcher::HttpBase() + L"/launcher/html/lobby.html"));
    Sleep(1500);  // the skin picks up replaced images within a second
    EXPECT_TRUE(harness::SaveWindowScreenshot(window, L"launcher_main_window_channels"));
    // The selected channel shows its downloaded checked icon (an orange ring),
    // the one whose icons were missing keeps the default tiles.
    Control first, last;
    ASSERT_TRUE(run.FindControl(L"channel_btn_0", &first));
    ASSERT_TRUE(run.FindControl(L"channel_btn_3", &last));
    POINT ring = harness::ClientToScreenPoint(window, first.pos.left + 55 + 13, first.pos.top + 12 - 8);
    EXPECT_TRUE(Near(harness::ScreenPixel(ring), 0xFFB020)) << std::hex << harness::ScreenPixel(ring);
    POINT tile = harness::ClientToScreenPoint(window, last.pos.left + 55 + 9, last.pos.top + 7);
    EXPECT_TRUE(Near(harness::ScreenPixel(tile), 0xA9B3C9)) << std::hex << harness::ScreenPixel(tile);

    ASSERT_TRUE(ShowMyGames(run)) << run.LogText();
    Sleep(1500);
    EXPECT_TRUE(harness::SaveWindowScreenshot(window, L"launcher_main_window_my_games"));
    std::vector<Control> buttons = run.GameButtons();
    ASSERT_EQ(4u, buttons.size());
    // The icons from the back-end inside their buttons: the web game that
    // needs no installation as it is (green), the others dimmed by the mask.
    POINT green = harness::ClientToScreenPoint(window, buttons[3].pos.left + 40, buttons[3].pos.top + 24);
    EXPECT_TRUE(Near(harness::ScreenPixel(green), 0x3CC878)) << std::hex << harness::ScreenPixel(green);
    POINT red = harness::ClientToScreenPoint(window, buttons[0].pos.left + 40, buttons[0].pos.top + 24);
    DWORD dimmed = harness::ScreenPixel(red);
    EXPECT_GT((dimmed >> 16) & 0xFF, ((dimmed >> 8) & 0xFF) + 30) << std::hex << dimmed;
    EXPECT_LT((dimmed >> 16) & 0xFF, 0xC0u) << std::hex << dimmed;

    // A game that is not installed says so under the pointer, and only there.
    harness::MoveCursorTo(run.ScreenCenter(buttons[2]));
    EXPECT_TRUE(harness::WaitUntil([&] { return run.GameButtons()[2].text == L"游戏未安装"; }, 5000));
    harness::MoveCursorTo(harness::ClientToScreenPoint(window, 75, 760));
    EXPECT_TRUE(harness::WaitUntil([&] { return run.GameButtons()[2].text == L"剑影江湖"; }, 5000));
    // A web game opened in the browser has no installation: no such text.
    harness::MoveCursorTo(run.ScreenCenter(buttons[3]));
    Sleep(500);
    EXPECT_EQ(L"方块乐园", run.GameButtons()[3].text);
    harness::MoveCursorTo(POINT{2, 2});

    EXPECT_TRUE(run.CloseAndExitCleanly()) << run.LogText();
}

TEST_F(MainWindowInputTest, DraggingAButtonReordersTheGamesAndReportsNothingWhileLoggedOut) {
    LauncherRun run;
    HWND window = StartWithGames(run);
    ASSERT_NE(nullptr, window) << run.LogText();
    ASSERT_TRUE(ShowMyGames(run));
    std::vector<Control> buttons = run.GameButtons();
    ASSERT_EQ(4u, buttons.size());
    size_t reportsBefore = run.CountLog(L"ReportGameListOrderChanged do nothing, user not login");
    // The back-end's record also holds what earlier tests' logged-in launchers sent.
    const size_t orderReportsBefore = OrderReportCount();

    // Press and release without moving: nothing moves, nothing is reported.
    POINT last = run.ScreenCenter(buttons[3]);
    harness::PressLeft(last);
    Sleep(300);
    harness::ReleaseLeft(last);
    Sleep(500);
    EXPECT_EQ(0u, run.CountLog(L"move game btn from"));
    EXPECT_EQ(reportsBefore, run.CountLog(L"ReportGameListOrderChanged do nothing, user not login"));

    // A mouse move that says the button is up (its button-up went elsewhere)
    // ends a drag without a drop: the order stays, nothing is reported.
    const std::vector<std::wstring> order = ButtonNames(run);
    POINT third = run.ScreenCenter(buttons[2]);
    PressAndMoveOnto(last, third, 4);
    ASSERT_TRUE(run.WaitForLog(L"[Debug]|move game btn from 3 to 2")) << run.LogText();
    POINT client = third;
    ScreenToClient(window, &client);
    harness::PostToWindow(window, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|CMainWnd game button drag ended without a drop", 10000));
    harness::ReleaseLeft(third);
    EXPECT_TRUE(harness::WaitUntil([&] { return run.CountLog(L"CGameButtonUI UIEVENT_BUTTONUP") >= 2; }, 5000));
    EXPECT_EQ(order, ButtonNames(run));
    EXPECT_EQ(reportsBefore, run.CountLog(L"ReportGameListOrderChanged do nothing, user not login"));

    // Drag the first game onto the third with the real pointer.
    POINT from = run.ScreenCenter(buttons[0]);
    POINT to = run.ScreenCenter(buttons[2]);
    harness::PressLeft(from);
    Sleep(150);
    const int steps = 16;
    for (int i = 1; i <= steps; ++i) {
        harness::MoveCursorTo(POINT{from.x, from.y + (to.y - from.y) * i / steps});
        Sleep(70);
        if (i == steps / 2) {
            EXPECT_TRUE(harness::SaveWindowScreenshot(window, L"launcher_game_button_drag"));
        }
    }
    for (int wiggle = 0; wiggle < 4; ++wiggle) {
        harness::MoveCursorTo(POINT{to.x + (wiggle % 2 ? 3 : -3), to.y});
        Sleep(150);
    }
    harness::ReleaseLeft(to);
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|move game btn from 1 to 2")) << run.LogText();
    EXPECT_TRUE(harness::WaitUntil(
        [&] {
            return ButtonTexts(run) == std::vector<std::wstring>{L"Paper Kingdom", L"剑影江湖", L"星海征途", L"方块乐园"};
        },
        5000));
    EXPECT_TRUE(harness::WaitUntil(
        [&] { return run.CountLog(L"ReportGameListOrderChanged do nothing, user not login") > reportsBefore; }, 5000));
    EXPECT_EQ(orderReportsBefore, OrderReportCount()) << "no order report without a login";
    harness::MoveCursorTo(POINT{2, 2});
    EXPECT_TRUE(run.CloseAndExitCleanly()) << run.LogText();
}

// Logged in: a drag whose button-up goes to another window ends without a
// drop (order kept, nothing reported, the button shown again); a finished
// drop reports the new list indices with the list ids the game-info answers
// gave; a removed game is reported with list index -1; an account list the
// back-end could not give adds no game to the account.
TEST_F(MainWindowInputTest, LoggedInDragsAndRemovalsReachTheBackEndOnlyWhenFinished) {
    const std::string account = "drag_ana";
    ASSERT_TRUE(launcher::Backend().AddRoutes(
        R"({"path":"/orv2/api/getFrontData.do","params":{"type":"queryplaygame","userAccount":")" + account +
        R"("},"body_json":{"code":500,"msg":"busy"}})"));
    LauncherRun run;
    run.EnableRemoteControl();
    HWND window = StartWithGames(run);
    ASSERT_NE(nullptr, window) << run.LogText();
    int lobby = run.WaitForBrowser(L"/launcher/html/lobby.html");
    ASSERT_NE(0, lobby);
    ASSERT_TRUE(harness::WaitUntil([&] { return run.EvalResult(lobby, L"document.readyState") == L"complete"; },
                                   30000));
    run.Eval(lobby, L"window.external.userLoginByFree('" + harness::Widen(account) + L"', ''); 1");
    ASSERT_TRUE(run.WaitForLog(L"[Error]|ParseGameListJsonString code=500")) << run.LogText();
    ASSERT_TRUE(ShowMyGames(run));
    std::vector<Control> buttons = run.GameButtons();
    ASSERT_EQ(4u, buttons.size());
    const std::vector<std::wstring> order = ButtonNames(run);
    const size_t buttonUps = run.CountLog(L"CGameButtonUI UIEVENT_BUTTONUP");

    // The first game is dragged onto the second; then another window takes the capture.
    POINT first = run.ScreenCenter(buttons[0]), second = run.ScreenCenter(buttons[1]);
    PressAndMoveOnto(first, second, 8);
    ASSERT_TRUE(run.WaitForLog(L"[Debug]|move game btn from 0 to 1")) << run.LogText();
    {
        CaptureTaker taker(window);
        ASSERT_TRUE(taker.Took());
        EXPECT_TRUE(run.WaitForLog(L"[Debug]|CMainWnd game button drag ended without a drop", 10000));
        // At once, with the button still held: no drag image, the order of the last drop.
        EXPECT_TRUE(run.WaitForControl(L"DragBtn", [](const Control& c) { return !c.visible; }, 5000));
        EXPECT_EQ(order, ButtonNames(run));
        // Released outside the launcher: the button-up goes to the window that has the capture.
        harness::MoveCursorTo(POINT{2, 2});
        harness::ReleaseLeft(POINT{2, 2});
        EXPECT_TRUE(taker.WaitForButtonUp(5000));
    }
    // The pointer then goes over the third game with no button held, and a
    // plain click on the second follows.
    POINT third = run.ScreenCenter(buttons[2]);
    HoverAround(third, 6);
    harness::PressLeft(second);
    Sleep(300);
    harness::ReleaseLeft(second);
    EXPECT_TRUE(harness::WaitUntil([&] { return run.CountLog(L"CGameButtonUI UIEVENT_BUTTONUP") > buttonUps; }, 5000))
        << "the click reaches the game, not a drag image left under the pointer";
    EXPECT_EQ(order, ButtonNames(run)) << "a drag without a drop keeps the order";
    EXPECT_EQ(1u, run.CountLog(L"move game btn from"));
    EXPECT_TRUE(run.WaitForControl(L"DragBtn", [](const Control& c) { return !c.visible; }, 5000));
    // The dragged game paints itself again: its dimmed red icon, where it is now.
    Control dragged;
    ASSERT_TRUE(run.FindControl(buttons[0].name, &dragged));
    POINT icon = harness::ClientToScreenPoint(window, dragged.pos.left + 40, dragged.pos.top + 24);
    EXPECT_TRUE(harness::WaitUntil(
        [&] {
            DWORD rgb = harness::ScreenPixel(icon);
            return ((rgb >> 16) & 0xFF) > ((rgb >> 8) & 0xFF) + 30;
        },
        5000))
        << std::hex << harness::ScreenPixel(icon);

    // A finished drop of the first game onto the third: the new indices, by the list ids.
    PressAndMoveOnto(run.ScreenCenter(buttons[0]), third, 16);
    harness::ReleaseLeft(third);
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|move game btn from 1 to 2")) << run.LogText();
    EXPECT_TRUE(harness::WaitUntil([&] { return !OrderReportsOf(account).empty(); }, 20000)) << run.LogText();
    const std::string prefix = "type=updateplaygame&userAccount=" + account + "&gameList=";
    std::vector<std::string> reports = OrderReportsOf(account);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(prefix + R"([{"id":1002,"list_index":0,"idType":1},{"id":1003,"list_index":1,"idType":1},)"
                       R"({"id":1001,"list_index":2,"idType":1}])",
              reports[0]);

    // The fourth game removed from its menu.
    harness::MoveCursorTo(POINT{2, 2});
    harness::ClickRight(run.ScreenCenter(buttons[3]));
    HWND menu = harness::WaitForTopWindow(L"DuiMenuWnd", nullptr, true, 10000);
    ASSERT_NE(nullptr, menu) << run.LogText();
    ASSERT_TRUE(run.Click(L"remove_icon", menu));
    EXPECT_TRUE(harness::WaitUntil([&] { return OrderReportsOf(account).size() >= 2; }, 20000)) << run.LogText();
    reports = OrderReportsOf(account);
    ASSERT_EQ(2u, reports.size());
    EXPECT_EQ(prefix + R"([{"id":1004,"list_index":-1,"idType":1}])", reports[1]);

    // The account's list the back-end could not give added nothing to the account.
    size_t added = 0;
    for (const backend::RecordedRequest& r : launcher::RequestsOf(kApiPath, "type=addplaygame"))
        added += launcher::QueryValue(r.query, "userAccount") == account;
    EXPECT_EQ(0u, added) << "a failed answer is no empty list";
    harness::MoveCursorTo(POINT{2, 2});
    EXPECT_TRUE(run.CloseAndExitCleanly()) << run.LogText();
}

TEST_F(MainWindowInputTest, ButtonMenuFitsTheGameAndRemovingSelectsTheNext) {
    LauncherRun run;
    {
        // Game 7003 is installed (status 0 in the local table).
        CLocalDB db;
        db.SetDbPath(harness::Narrow(run.Dir() + L"\\orv2_1data"));
        db.ExecuteSQL(
            "CREATE TABLE GameInfo2_1(GameId INTEGER PRIMARY KEY, PkgId INTEGER not null default 0, Download "
            "INTEGER not null default 0, LocalPath VARCHAR(256), StartExe VARCHAR(128), GameExe VARCHAR(128), "
            "LocalVersion VARCHAR(16), IdcVersion VARCHAR(16), GameName VARCHAR(32), GameSize INTEGER not null "
            "default 0, AutoUpdate INTEGER not null default 0, Status INTEGER not null default 1);");
        ASSERT_TRUE(db.SaveGameInfo(0, 7003, L"D:\\games\\sword", L"sword.exe", L"sword.exe", L"1", L"sword"));
        ASSERT_TRUE(db.SetGameStatus(7003, 0));
    }
    HWND window = StartWithGames(run);
    ASSERT_NE(nullptr, window) << run.LogText();
    ASSERT_TRUE(ShowMyGames(run));
    std::vector<Control> buttons = run.GameButtons();
    ASSERT_EQ(4u, buttons.size());

    // A game that is not installed: only "remove_icon".
    harness::ClickRight(run.ScreenCenter(buttons[1]));
    HWND menu = harness::WaitForTopWindow(L"DuiMenuWnd", nullptr, true, 10000);
    ASSERT_NE(nullptr, menu) << run.LogText();
    EXPECT_EQ(std::vector<std::wstring>{L"remove_icon"}, MenuItems(run, menu));
    harness::PostToWindow(menu, WM_KEYDOWN, VK_ESCAPE);
    ASSERT_TRUE(harness::WaitUntilHidden(menu, 5000));

    // An installed game without a café client: every item.
    harness::ClickRight(run.ScreenCenter(buttons[2]));
    menu = harness::WaitForTopWindow(L"DuiMenuWnd", nullptr, true, 10000);
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ((std::vector<std::wstring>{L"game_path", L"repair_game", L"auto_update", L"remove_icon",
                                         L"uninstall_game"}),
              MenuItems(run, menu));
    Sleep(300);
    EXPECT_TRUE(harness::SaveWindowScreenshot(menu, L"launcher_game_button_menu"));
    harness::PostToWindow(menu, WM_KEYDOWN, VK_ESCAPE);
    ASSERT_TRUE(harness::WaitUntilHidden(menu, 5000));

    // Removing the selected first game selects the next one and opens its launch page.
    ASSERT_TRUE(buttons[0].selected);
    std::wstring html = L"file:///" + run.Dir() + L"/html/";
    for (wchar_t& c : html) {
        if (c == L'\\') c = L'/';
    }
    harness::ClickRight(run.ScreenCenter(buttons[0]));
    menu = harness::WaitForTopWindow(L"DuiMenuWnd", nullptr, true, 10000);
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(run.Click(L"remove_icon", menu));
    ASSERT_TRUE(run.WaitForLog(L"[Debug]|CMainWnd on menu clicked : remove_icon done")) << run.LogText();
    EXPECT_TRUE(run.LogHas(L"CMainWnd on menu clicked - remove game icon, pkgid=0, bSelected=true"));
    EXPECT_TRUE(harness::WaitUntil(
        [&] {
            std::vector<Control> left = run.GameButtons();
            return left.size() == 3 && left[0].text == L"Paper Kingdom" && left[0].selected;
        },
        5000));
    EXPECT_TRUE(run.WaitForLog(L"Navigate:" + html + L"launch/web/index.html")) << run.LogText();

    // Removing the others, the last one leaves a blank page and the "add game" group.
    // The list is laid out again after each removal: click only where the
    // first button now really is.
    const LONG firstTop = buttons[0].pos.top;
    for (int left = 3; left > 0; --left) {
        std::vector<Control> now;
        ASSERT_TRUE(harness::WaitUntil(
            [&] {
                now = run.GameButtons();
                return !now.empty() && now[0].pos.top == firstTop;
            },
            5000));
        harness::ClickRight(run.ScreenCenter(now[0]));
        menu = harness::WaitForTopWindow(L"DuiMenuWnd", nullptr, true, 10000);
        ASSERT_NE(nullptr, menu);
        ASSERT_TRUE(run.Click(L"remove_icon", menu));
        ASSERT_TRUE(harness::WaitUntil([&] { return run.GameButtons().size() == static_cast<size_t>(left - 1); }, 5000));
    }
    EXPECT_TRUE(run.WaitForLog(L"Navigate:about:blank")) << run.LogText();
    EXPECT_TRUE(run.WaitForControl(L"add_game_btn_group", IsVisible, 5000));
    harness::MoveCursorTo(POINT{2, 2});
    EXPECT_TRUE(run.CloseAndExitCleanly()) << run.LogText();
}

TEST_F(MainWindowInputTest, LongGameListIsBuiltAndDrawnWhileTheWindowStaysResponsive) {
    LauncherRun run;
    run.WriteIni();
    // 200 games whose icons are already downloaded, of every type.
    std::wstring list = L"{\"code\":0,\"gamelist\":[";
    std::string icon = harness::ReadFileBytes(run.Dir() + L"\\Skin\\mainwnd\\logo.png");
    CreateDirectoryW((run.Dir() + L"\\Skin\\temp").c_str(), nullptr);
    for (int i = 0; i < 200; ++i) {
        int id = 7101 + i;
        int type = 1 + i % 3;
        if (i > 0) list += L",";
        list += L"{\"id\":0,\"pkgid\":0,\"jt_game_id\":" + std::to_wstring(id) + L",\"game_name\":\"游戏" +
                std::to_wstring(i) + L"\",\"game_type\":" + std::to_wstring(type) + L",\"open_type\":2,\"list_index\":" +
                std::to_wstring(i) + L",\"game_icon_url\":\"http://icons.invalid/" + std::to_wstring(id) + L".png\"}";
        ASSERT_TRUE(harness::WriteFileBytes(run.Dir() + L"\\Skin\\temp\\game_" + std::to_wstring(id) + L".png", icon));
    }
    ASSERT_TRUE(run.WriteGameBtnFile(list + L"]}"));
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForMainWindow();
    ASSERT_NE(nullptr, window) << run.LogText();
    harness::ResponsivenessProbe probe;
    probe.Start(window);
    const long enter = run.LogTimeMs(L"CreateAndShowGameListBySequence enter");
    const long out = run.LogTimeMs(L"CreateAndShowGameListBySequence out");
    ASSERT_GE(enter, 0) << run.LogText();
    ASSERT_GE(out, enter) << "the list is built once, at start";
    const long built = out - enter;
    EXPECT_EQ(200u, run.GameButtons().size());

    // From the click on "my games" until the second button's tile is on screen.
    ASSERT_TRUE(run.WaitForControl(L"my_game_btn", IsVisible, 10000));
    ULONGLONG clicked = GetTickCount64();
    ASSERT_TRUE(run.Click(L"my_game_btn"));
    // The tile's colour left of the icon, 130 pixels below the first tile's.
    POINT tile = harness::ClientToScreenPoint(window, 14 + 8, 108 + 8 + 130 + 50);
    bool drawn = harness::WaitUntil([&] { return Near(harness::ScreenPixel(tile), 0x353945); }, 10000);
    ULONGLONG shown = GetTickCount64() - clicked;
    EXPECT_TRUE(drawn) << std::hex << harness::ScreenPixel(tile);
    EXPECT_TRUE(harness::SaveWindowScreenshot(window, L"launcher_main_window_200_games"));
    for (const wchar_t* name : {L"channel_btn_2", L"channel_btn_0", L"gamelib_btn", L"my_game_btn"}) {
        ASSERT_TRUE(run.Click(name));
        Sleep(300);
    }
    probe.Stop();
    std::cout << "benchmark: 200 games built in " << built << " ms, drawn " << shown
              << " ms after the click; window thread answered within " << probe.MaxLatencyMs() << " ms ("
              << probe.Samples() << " probes, worst at " << probe.WorstAtMs() << ")" << std::endl;
    EXPECT_LT(built, kLongListBuildBoundMs) << "building the list holds the window thread";
    EXPECT_LT(probe.MaxLatencyMs(), 5000u) << "the window thread must never hang";
    EXPECT_TRUE(run.CloseAndExitCleanly()) << run.LogText();
}

}  // namespace
