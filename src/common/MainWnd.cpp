// The main window's core: life cycle, set-up, and the dispatch of messages,
// timers, notifications and clicks.
#include "MainWnd.h"

#include <direct.h>
#include <windowsx.h>

#include <cerrno>

#include "AccountPaths.h"
#include "CCefCommonUI.h"
#include "DeviceInfo.h"
#include "GameButton.h"
#include "GlobalFunc.h"
#include "LocalPages.h"
#include "LogWriter.h"
#include "MainWndMessages.h"
#include "PageScripts.h"

using namespace DuiLib;

namespace {

constexpr UINT kAppIcon = 102;
constexpr DWORD kWorkerWaitMs = 3000;

// The next run-time report interval for the time since the window was made.
DWORD RunTimeInterval(DWORD elapsedMs) {
    if (elapsedMs < 30000) return 10000;
    if (elapsedMs < 60000) return 20000;
    if (elapsedMs < 300000) return 30000;
    if (elapsedMs < 600000) return 60000;
    return 300000;
}

template <typename T>
T* FindAs(CPaintManagerUI& manager, const wchar_t* name, const wchar_t* interfaceName) {
    CControlUI* control = manager.FindControl(name);
    return control ? static_cast<T*>(control->GetInterface(interfaceName)) : nullptr;
}

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CMainWnd, WindowImplBase)
    DUI_ON_MSGTYPE(DUI_MSGTYPE_ITEMCLICK, OnItemClick)
DUI_END_MESSAGE_MAP()

CMainWnd::CMainWnd()
    : m_programFolder(GetExeDir(true)),
      m_programFolderUrl(FolderUrlForm(m_programFolder)),
      m_startPageUrl(LocalPageUrl(m_programFolderUrl, L"index.html")),
      m_noGamePageUrl(LocalPageUrl(m_programFolderUrl, L"nogame.html")),
      m_context(std::make_shared<CMainWndContext>(m_programFolder)),
      m_installedGames(m_programFolder, m_context->LocalDB()),
      m_downloadProgress(std::make_shared<DownloadProgressState>()) {
    m_bossKeyId = static_cast<int>(GlobalAddAtomW(L"HotKey_boss")) - 0xC000;
    CreateGUID(m_runGuid);
    LoadSettings();
    PrepareScreenshotFolder();
    if (m_settings.autoRun) SetAutoRun(true);
    m_runTimeStartTick = m_runTimeLastTick = GetTickCount();
    CDeviceInfo().GetSystemInfo(m_systemInfo);
    std::wstring dbPath = m_programFolder + L"orv2_1data";
    DWORD attributes = GetFileAttributesW(dbPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        m_context->LocalDB().ExecuteSQL(
            "CREATE TABLE GameInfo2_1(GameId INTEGER PRIMARY KEY, PkgId INTEGER not null default 0, Download "
            "INTEGER not null default 0, LocalPath VARCHAR(256), StartExe VARCHAR(128), GameExe VARCHAR(128), "
            "LocalVersion VARCHAR(16), IdcVersion VARCHAR(16), GameName VARCHAR(32), GameSize INTEGER not null "
            "default 0, AutoUpdate INTEGER not null default 0, Status INTEGER not null default 1);");
    }
}

CMainWnd::~CMainWnd() {
    LOG_DEBUG(L"~CMainWnd()");
    if (!m_account.empty()) OnCloseMainWnd();
    m_pGameBtnMenu.reset();
    m_downloadRows.clear();
    m_context->SetWindow(nullptr);
    ShutdownDownloadModule();
    if (!m_context->WaitForWorkers(kWorkerWaitMs))
        LOG_WARNING(L"~CMainWnd() %d workers still running", m_context->RunningWorkers());
    LOG_DEBUG(L"~CMainWnd() out");
}

void CMainWnd::SetNoCafeClient(int value) {
    m_noCafeClient = value;
    m_gameList.SetNoCafeClient(value != 0);
    m_installedGames.SetNoCafeClient(value != 0);
}

void CMainWnd::ParseStartGameInfo(const wchar_t* text) {
    std::wstring line = text ? text : L"";
    LOG_DEBUG(L"cmdLineParam:%s", line.c_str());
    m_startGameFlag = 1;
    m_startGameLine = line;
    size_t at = line.find(L"gameId=");
    if (at != std::wstring::npos) m_startGameTail = line.substr(at);
}

LPCTSTR CMainWnd::GetWindowClassName() const { return kMainWndClassName; }

LRESULT CMainWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_NCLBUTTONDBLCLK) return 0;
    if (uMsg == WM_HOTKEY) OnHotKey(wParam);
    if (uMsg == WM_CAPTURECHANGED) OnCaptureChanged(reinterpret_cast<HWND>(lParam));
    if (IsTaskbarCreated(uMsg)) OnTaskbarCreated();
    return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}

void CMainWnd::OnFinalMessage(HWND hWnd) {
    LOG_DEBUG(L"CMainWnd::OnFinalMessage(0x%p)", static_cast<void*>(hWnd));
    WindowImplBase::OnFinalMessage(hWnd);
    delete this;
    PostQuitMessage(0);
    LOG_DEBUG(L"CMainWnd::OnFinalMessage() out");
}

LRESULT CMainWnd::OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    m_context->SetWindow(m_hWnd);
    WindowImplBase::OnCreate(uMsg, wParam, lParam, bHandled);
    LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    return 0;
}

void CMainWnd::InitWindow() {
    LOG_DEBUG(L"CMainWnd::InitWindow(0x%p)", static_cast<void*>(m_hWnd));
    SetIcon(kAppIcon);
    FindControls();
    RequestChannelInfo();
    CreateFolder(L"skin\\temp", L"Failed to create game resource directory(%s), errno = %d");
    CreateFolder(L"Temp", L"Failed to create temp directory(%s), errno = %d");
    ReadGameBtnInfoFromFile();
    CreateAndShowGameListBySequence(true);
    if (!UpdateLoginInfo() && m_pUserNick) m_pUserNick->SetText(L"登录");
    AddTrayIcon();
    if (m_pHeaderBtn) m_pHeaderBtn->SetCursor(IDC_HAND);
    if (RegisterHotKey(m_hWnd, m_bossKeyId, MOD_ALT, 'D'))
        LOG_DEBUG(L"RegisterHotKey success!");
    else
        LOG_DEBUG(L"RegisterHotKey failed! GetLastError = %d", static_cast<int>(GetLastError()));
    CreateChannelTabs();
    LOG_DEBUG(L"CMainWnd::InitWindow() out");
}

void CMainWnd::FindControls() {
    m_pMenuBtn = m_PaintManager.FindControl(L"menubtn");
    m_pCloseBtn = m_PaintManager.FindControl(L"closebtn");
    m_pMinBtn = m_PaintManager.FindControl(L"minbtn");
    m_pUserName = m_PaintManager.FindControl(L"user_name");
    m_pUserNick = m_PaintManager.FindControl(L"user_nick");
    m_pHeaderBtn = m_PaintManager.FindControl(L"header_btn");
    m_pDragDownBtn = m_PaintManager.FindControl(L"dragdown_btn");
    m_pSearchEdit = m_PaintManager.FindControl(L"search_edit");
    m_pBodyLayout = FindAs<CTabLayoutUI>(m_PaintManager, L"BodyLayout", L"TabLayout");
    m_pGamelibLayout = FindAs<CTabLayoutUI>(m_PaintManager, L"GamelibLayout", L"TabLayout");
    m_pMyGameWnd = m_PaintManager.FindControl(L"my_game_wnd");
    m_pMyGameList = FindAs<CContainerUI>(m_PaintManager, L"my_game_left_list", L"IContainer");
    m_pAddGameGroup = m_PaintManager.FindControl(L"add_game_btn_group");
    m_pAddGameBtn = m_PaintManager.FindControl(L"add_game_btn");
    m_pAddGameText = m_PaintManager.FindControl(L"add_game_text");
    m_pGameDownloadBox = FindAs<CContainerUI>(m_PaintManager, L"game_download_box", L"IContainer");
    m_pGameLobby = static_cast<CCefCommonUI*>(m_PaintManager.FindControl(L"Cef_Game_lobby"));
    m_pMyGameCef = static_cast<CCefCommonUI*>(m_PaintManager.FindControl(L"Cef_my_game"));
    m_pOtherCef = static_cast<CCefCommonUI*>(m_PaintManager.FindControl(L"Cef_other"));
    m_pRemainSize = m_PaintManager.FindControl(L"remain_size");
    m_pTotalSpeed = m_PaintManager.FindControl(L"total_speed");
    m_pRemainTime = m_PaintManager.FindControl(L"remain_time");
    m_pPauseAllBtn = m_PaintManager.FindControl(L"pause_all_btn");
    m_pCancelAllBtn = m_PaintManager.FindControl(L"cancel_all_btn");
    m_pGamelibBtn = FindAs<COptionUI>(m_PaintManager, L"gamelib_btn", L"Option");
    m_pMyGameBtn = FindAs<COptionUI>(m_PaintManager, L"my_game_btn", L"Option");
    m_pGameDownloadBtn = FindAs<COptionUI>(m_PaintManager, L"game_download_btn", L"Option");
    m_pHomePageOpt = FindAs<COptionUI>(m_PaintManager, L"home_page", L"Option");
    m_pWebGameOpt = FindAs<COptionUI>(m_PaintManager, L"web_game", L"Option");
    m_pNetGameOpt = FindAs<COptionUI>(m_PaintManager, L"net_game", L"Option");
    m_pPcGameOpt = FindAs<COptionUI>(m_PaintManager, L"pc_game", L"Option");
    m_pMainTabBar = FindAs<CContainerUI>(m_PaintManager, L"main_tabbar", L"IContainer");
}

void CMainWnd::CreateFolder(const wchar_t* relative, const wchar_t* errorFormat) {
    std::wstring folder = m_programFolder + relative;
    if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    if (_wmkdir(folder.c_str()) != 0 && errno != EEXIST) LOG_ERROR(errorFormat, folder.c_str(), errno);
}

void CMainWnd::OnWindowInit() {
    LOG_DEBUG(L"CMainWnd::OnWindowInit");
    SetTimer(m_hWnd, kTimerRunTimeReport, 10000, nullptr);
    if (m_noCafeClient == 1) {
        CheckGameUpdate();
        SetTimer(m_hWnd, kTimerCheckGameUpdate, 600000, nullptr);
    }
    StartGameConfigInfoRefill();
    m_hGameFrame = FindWindowW(kGameFrameClassName, nullptr);
    LOG_DEBUG(L"CMainWnd::OnWindowInit out mainwnd=0x%p, gameframe=0x%p", static_cast<void*>(m_hWnd),
              static_cast<void*>(m_hGameFrame));
}

LRESULT CMainWnd::OnGetMinMaxInfo(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT CMainWnd::OnChar(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    if (wParam == VK_RETURN) {
        LOG_DEBUG(L"CMainWnd::OnChar VK_RETURN");
        return 0;
    }
    bHandled = FALSE;
    return 0;
}

LRESULT CMainWnd::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        LOG_INFO(L"CMainWnd::OnSysCommand close");
        CloseByRule();
        return 0;
    }
    bHandled = TRUE;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT CMainWnd::OnMouseMove(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    bHandled = FALSE;
    if (!m_pPressedGameBtn || !m_pDragControl) return 0;
    if (!(wParam & MK_LBUTTON)) {
        CancelGameButtonDrag();   // the button went up where this window did not see it
        return 0;
    }
    if (!m_pDragControl->IsVisible()) {
        m_pDragControl->SetVisible(true);
        m_pPressedGameBtn->SetDragging(true);
    }
    TEventUI event;
    event.Type = UIEVENT_MOUSEMOVE;
    event.pSender = m_pDragControl;
    event.ptMouse = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    event.dwTimestamp = GetTickCount();
    m_pDragControl->DoEvent(event);
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    MoveGameBtn(m_pPressedGameBtn, cursor);
    return 0;
}

void CMainWnd::CloseByRule() {
    if (m_settings.closeType) {
        if (m_hSettingDlg && IsWindow(m_hSettingDlg)) ::PostMessageW(m_hSettingDlg, WM_CLOSE, 0, 0);
        OnCloseMainWnd();
        return;
    }
    if (m_hSettingDlg && IsWindow(m_hSettingDlg)) ::ShowWindow(m_hSettingDlg, SW_HIDE);
    ::ShowWindow(m_hWnd, SW_HIDE);
}

void CMainWnd::LogNotHandledHere(const wchar_t* what, UINT_PTR id) {
    LOG_DEBUG(L"CMainWnd %s %u: nothing to do yet", what, static_cast<unsigned>(id));
}

LRESULT CMainWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    bHandled = FALSE;
    if (HandleDownloadMessage(uMsg, wParam, lParam)) return 0;
    switch (uMsg) {
    case WM_TIMER:
        OnTimer(wParam);
        break;
    case UIMSG_TRAYICON:
        OnTrayMessage(static_cast<UINT>(lParam));
        break;
    case UIMSG_MENUCLICK:
        if (wParam) {
            OnMenuClick(wParam);
            bHandled = TRUE;
        }
        break;
    case WM_SHOW_LOGIN_WND:
        ShowLoginWnd(false, true);
        break;
    case WM_SHOW_GAME_LIST:
        LOG_DEBUG(L"CMainWnd::HandleCustomMessage WM_SHOW_GAME_LIST");
        if (!wParam) {
            OnServerGameList(nullptr);
        } else if (auto answer = TakePayload<AccountGameList>(uMsg, L"WM_SHOW_GAME_LIST", wParam)) {
            OnServerGameList(std::move(answer));
        }
        break;
    case WM_UPDATE_GAME_BTN_IMAGE:
        LOG_DEBUG(L"CMainWnd::HandleCustomMessage WM_UPDATE_GAME_BTN_IMAGE 0x%X flags=%d",
                  static_cast<unsigned>(wParam), static_cast<int>(lParam));
        if (auto result = TakePayload<GameBtnInfoResult>(uMsg, L"WM_UPDATE_GAME_BTN_IMAGE", wParam))
            HandleMsgUpdateGameBtnUI(result.get());
        break;
    case WM_ADD_GAME_BTN:
        LOG_DEBUG(L"CMainWnd::HandleCustomMessage WM_ADD_GAME_BTN 0x%X", static_cast<unsigned>(wParam));
        OnAddGameButton(static_cast<int>(wParam));
        break;
    case WM_ON_JS_SWITCH_WEB_WINDOW:
        OnSwitchWebWindow(wParam);
        break;
    case WM_OPEN_URL_BY_CEF:
        LOG_DEBUG(L"CMainWnd::HandleCustomMessage WM_OPEN_URL_BY_CEF wParam=0x%X lParam=0x%X",
                  static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
        if (auto navigation = TakePayload<ViewNavigation>(uMsg, L"WM_OPEN_URL_BY_CEF", wParam)) {
            if (navigation->view) navigation->view->Navigate2(navigation->url.c_str(), true);
        }
        break;
    case WM_ON_JS_LOAD_GAME_DETAIL:
        if (auto call = TakePayload<GameDetailCall>(uMsg, L"WM_ON_JS_LOAD_GAME_DETAIL", wParam))
            HandleMsgOnJsLoadGameDetailPage(call->view, call->gameId, call->gameType);
        break;
    case WM_ON_JS_LOAD_GAME_LAUNCH:
        LOG_DEBUG(L"CMainWnd::HandleCustomMessage WM_ON_JS_LOAD_GAME_LAUNCH %d %d", static_cast<int>(wParam),
                  static_cast<int>(lParam));
        HandleMsgOnJsLoadGameLaunch(static_cast<int>(wParam), static_cast<int>(lParam));
        break;
    case WM_ON_JS_CHECK_GAME_INSTALLED:
        if (auto page = TakePayload<PageView>(uMsg, L"WM_ON_JS_CHECK_GAME_INSTALLED", static_cast<UINT_PTR>(lParam)))
            HandleMsgCheckGameInstalled(static_cast<int>(wParam), page->view);
        break;
    case WM_UPDATE_CHANNEL_ICON:
        OnChannelIconsDownloaded();
        break;
    case WM_UPDATE_USER_HEAD:
        LOG_DEBUG(L"CMainWnd::HandleCustomMessage WM_UPDATE_USER_HEAD");
        if (m_pHeaderBtn)
            m_pHeaderBtn->SetBkImage(HeadImagePath(m_programFolder, m_account).c_str());
        break;
    case WM_RETURN_PING_TIME:
        if (auto page = TakePayload<PageView>(uMsg, L"WM_RETURN_PING_TIME", wParam)) {
            if (page->view)
                page->view->RunJs(UpdateServerPingScript(static_cast<int>(lParam)).c_str());
            else
                LOG_ERROR(L"CMainWnd::HandleCustomMessage WM_RETURN_PING_TIME wParam(cef) is null");
        }
        break;
    case WM_NOTIFY_GAMEFRAME_HWND:
        OnGameFrameReported(reinterpret_cast<HWND>(wParam));
        bHandled = TRUE;
        break;
    case WM_OPEN_PAGE_GAME_LOGIN:
        OnOpenPageGameLogin(static_cast<int>(wParam), static_cast<int>(lParam));
        break;
    default:
        break;
    }
    return 0;
}

void CMainWnd::OnSwitchWebWindow(WPARAM index) {
    ShowChannelHome();
    static const wchar_t* const kOptions[] = {L"home_page", L"web_game", L"net_game", L"pc_game"};
    if (index < _countof(kOptions)) SelectOption(kOptions[index]);
}

void CMainWnd::OnTimer(UINT_PTR timerId) {
    if (OnDownloadTimer(timerId)) return;
    switch (timerId) {
    case kTimerRunTimeReport: {
        DWORD now = GetTickCount();
        if (now - m_runTimeLastTick < m_runTimeInterval) break;
        m_runTimeLastTick = now;
        m_runTimeInterval = RunTimeInterval(now - m_runTimeStartTick);
        // What a run-time report would carry is not settled: the step keeps its schedule and sends nothing.
        LOG_DEBUG(L"CMainWnd run time %u s, next step in %u s", (now - m_runTimeStartTick) / 1000,
                  m_runTimeInterval / 1000);
        break;
    }
    case kTimerQueryUserInfo:
        if (m_queryUserInfoCount < 1) {
            KillTimer(m_hWnd, kTimerQueryUserInfo);
            break;
        }
        --m_queryUserInfoCount;
        LogNotHandledHere(L"timer", timerId);
        break;
    case kTimerGameRunning:
    case kTimerGameRunningSlow:
        CheckGameRunningStatus();
        break;
    case kTimerLoginToken:
        CheckLoginToken();
        break;
    default:
        break;
    }
}

void CMainWnd::Notify(TNotifyUI& msg) {
    CDuiString sender = msg.pSender ? msg.pSender->GetName() : CDuiString();
    if (sender == L"search_edit") {
        if (msg.sType == DUI_MSGTYPE_RETURN) {
            if (m_pGameLobby) m_pGameLobby->LoadUrl(LocalPageUrl(m_programFolderUrl, L"search.html").c_str());
            return;
        }
        WindowImplBase::Notify(msg);
        return;
    }
    if (msg.sType == DUI_MSGTYPE_SELECTCHANGED) {
        OnSelectChanged(msg);
        return;
    }
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        OnClick(msg);
        return;
    }
    if (msg.sType == DUI_MSGTYPE_SCROLL || msg.sType == DUI_MSGTYPE_SETFOCUS || msg.sType == DUI_MSGTYPE_KILLFOCUS)
        return;
    if (msg.sType == DUI_MSGTYPE_WINDOWINIT) {
        OnWindowInit();
    } else if (msg.sType == DUI_MSGTYPE_TABSELECT && sender == L"BodyLayout") {
        LOG_DEBUG(L"CMainWnd::Notify DUI_MSGTYPE_TABSELECT wParam=%u lParam=%u", static_cast<unsigned>(msg.wParam),
                  static_cast<unsigned>(msg.lParam));
    } else {
        LOG_DEBUG(L"CMainWnd::Notify msg.type=%s sender.name=%s wParam=%u lParam=%u", msg.sType.GetData(),
                  sender.GetData(), static_cast<unsigned>(msg.wParam), static_cast<unsigned>(msg.lParam));
    }
    WindowImplBase::Notify(msg);
}

void CMainWnd::OnItemClick(TNotifyUI&) { LOG_DEBUG(L"CMainWnd::OnItemClick"); }

void CMainWnd::OnClick(TNotifyUI& msg) {
    if (!msg.pSender) return;
    const CDuiString name = msg.pSender->GetName();
    if (name == L"closebtn") {
        CloseByRule();
    } else if (name == L"minbtn") {
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (name == L"menubtn") {
        ShowMainMenu(L"menu_more.xml", MainMenuPoint());
    } else if (name == L"header_btn" || name == L"user_nick") {
        ShowLoginWnd(false, true);
    } else if (name == L"dragdown_btn") {
        if (!m_account.empty()) ShowMainMenu(L"menu_dragdown.xml", MainMenuPoint());
    } else if (name == L"gamelib_btn" || name == L"my_game_btn" || name == L"game_download_btn" ||
               name == L"home_page" || name == L"add_game_btn" || name == L"add_game_text" ||
               name == L"pause_all_btn" || name == L"cancel_all_btn") {
        if (name == L"gamelib_btn") {
            ShowGameLibrary();
        } else if (name == L"my_game_btn") {
            SelectBodyPage(1);
            if (m_pGameLobby) m_pGameLobby->SetVisible(false);
            if (m_pMyGameCef) {
                m_pMyGameCef->SetVisible(true);
                m_pMyGameCef->LoadUrl(PlatformPageUrl(L"我的游戏-H5.html").c_str());
            }
        } else if (name == L"game_download_btn") {
            SelectBodyPage(2);
        } else if (name == L"home_page") {
            ShowChannelHome();
        } else if (name == L"add_game_btn" || name == L"add_game_text") {
            if (!m_account.empty()) {
                SelectOption(L"gamelib_btn");
                ShowGameLibrary();
            } else {
                ShowLoginWnd(false, true);
            }
        } else if (name == L"pause_all_btn") {
            OnGameDownloadPauseAllBtnClicked();
        } else {
            OnGameDownloadCancelAllBtnClicked();
        }
        LOG_DEBUG(L"CMainWnd::OnClick sender.name=%s wParam=%u lParam=%u", name.GetData(),
                  static_cast<unsigned>(msg.wParam), static_cast<unsigned>(msg.lParam));
        return;
    }
    if (name.Find(L"channel_btn_") >= 0) {
        COptionUI* option = static_cast<COptionUI*>(msg.pSender->GetInterface(L"Option"));
        if (option) OnChannelButtonClick(option);
    }
    if (name.Find(L"folder_btn") == 0) {
        OnGameDownloadFolderBtnClicked(msg.pSender);
    } else if (name.Find(L"delete_btn") == 0) {
        OnGameDownloadDeleteBtnClicked(msg.pSender);
    } else if (name.Find(L"pause_btn") == 0) {
        LOG_DEBUG(L"CMainWnd::OnClick sender.name=%s sender=0x%p", name.GetData(), static_cast<void*>(msg.pSender));
        OnGameDownloadPauseBtnClicked(msg.pSender);
    }
}

void CMainWnd::OnSelectChanged(TNotifyUI& msg) {
    CDuiString name = msg.pSender ? msg.pSender->GetName() : CDuiString();
    LOG_DEBUG(L"CMainWnd::OnSelectChanged sender=%s", name.GetData());
    if (name.Find(L"game_btn_") != 0) return;
    GameInfoItem* entry = m_gameList.FindByButton(static_cast<CGameButtonUI*>(msg.pSender));
    if (!entry) return;
    std::wstring url = GetGameLaunchPageUrl(entry->gameType);
    if (m_pMyGameCef && !url.empty()) m_pMyGameCef->Navigate2(url.c_str(), true);
    LOG_DEBUG(L"Selected pkgId=%u homeId=%u gameType=%d", static_cast<unsigned>(entry->pkgid),
              static_cast<unsigned>(entry->jt_game_id), entry->gameType);
}

void CMainWnd::SelectOption(const wchar_t* name) {
    if (COptionUI* option = FindAs<COptionUI>(m_PaintManager, name, L"Option")) option->Selected(true);
}

void CMainWnd::SelectBodyPage(int page) {
    if (m_pBodyLayout) m_pBodyLayout->SelectItem(page);
}

void CMainWnd::ShowChannelHome() {
    if (m_pMyGameCef) m_pMyGameCef->SetVisible(false);
    if (!m_pGameLobby) return;
    m_pGameLobby->SetVisible(true);
    m_pGameLobby->LoadUrl(PlatformPageUrl(L"首页频道.html").c_str());
}

void CMainWnd::ShowGameLibrary() {
    ShowChannelHome();
    SelectBodyPage(0);
}

CControlUI* CMainWnd::CreateControl(LPCTSTR pstrClass) {
    if (_wcsicmp(pstrClass, L"Cef") == 0) return new CCefCommonUI(&m_PaintManager, this);
    return nullptr;
}
