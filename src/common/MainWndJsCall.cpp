// The main window's page-script calls: the three ICefUIContainer slots, which
// the engine calls on its UI thread and which hand everything to the window
// thread, the table of page calls run there, and the scripts that answer
// the pages.
// Winsock 2 before anything that includes windows.h.
#include "ping.h"

#include "MainWnd.h"

#include <shellapi.h>

#include <ctime>

#include "CCefCommonUI.h"
#include "GameButton.h"
#include "GlobalFunc.h"
#include "LogWriter.h"
#include "MainMessageLoopWin.h"
#include "MainWndMessages.h"
#include "OpenUrlSigning.h"
#include "PageScripts.h"
#include "ShellOpen.h"
#include "WebAddress.h"

using namespace DuiLib;

namespace {

// The game-library tab of a game type: 1 web games, 3 single-player games, 2 network games.
int GamelibTabOfType(int gameType) {
    switch (gameType) {
    case 1: return 1;
    case 2: return 3;
    case 3: return 2;
    default: return 0;
    }
}

}  // namespace

// Rows in the order the names are compared; the first match acts.
const CMainWnd::JsCallRow* CMainWnd::FindJsCallRow(const std::wstring& name) {
    static const JsCallRow kRows[] = {
        {L"showLogin", 0, &CMainWnd::OnJsCall_ShowLogin},
        {L"addMyGame", 0, &CMainWnd::OnJsCall_AddGame},
        {L"userLoginByFree", 2, &CMainWnd::OnJsCall_UserLoginByFree},
        {L"NavigateGameLobby", 0, &CMainWnd::OnJsCall_NavigateGameLobby},
        {L"openUrl", 3, &CMainWnd::OnJsCall_OpenURL},
        {L"startGame", 1, &CMainWnd::OnJsCall_StartGame},
        {L"smallAccountstartGame", 2, &CMainWnd::OnJsCall_SmallAccountStartGame},
        {L"loginByICafe", 3, &CMainWnd::OnJsCall_LoginByICafe},
        {L"loadGameDetail", 2, &CMainWnd::OnJsCall_LoadGameDetail},
        {L"loadGameLaunch", 6, &CMainWnd::OnJsCall_LoadGameLaunch},
        {L"onUserLogout", 1, &CMainWnd::OnJsCall_UserLogout},
        {L"switchWebWindow", 1, &CMainWnd::OnJsCall_SwitchWebWindow},
        {L"isGameIntalled", 1, &CMainWnd::OnJsCall_IsGameInstalled},
        {L"switchMyGameToGameLib", 0, &CMainWnd::OnJsCall_SwitchMyGameToGameLib},
        {L"getServerPingValue", 3, &CMainWnd::OnJsCall_GetServerPingValue},
        {L"querySystemInfo", 0, &CMainWnd::OnJsCall_QuerySystemInfo},
        {L"downloadGame", 2, &CMainWnd::OnJsCall_DownloadGame},
        {L"updateGame", 1, &CMainWnd::OnJsCall_UpdateGame},
    };
    for (const JsCallRow& row : kRows) {
        if (name == row.name) return &row;
    }
    return nullptr;
}

// --- ICefUIContainer slots: engine UI thread. They copy what they were
// given and hand it to the window thread, where it runs in call order.

void CMainWnd::HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments, CCefCommonUI* control) {
    auto call = std::make_shared<const JsCallRecord>(functionName, arguments, control);
    LOG_DEBUG(L"CMainWnd::HandleJSCall %s args=%d", call->name.c_str(), static_cast<int>(call->Count()));
    m_taskRelay.Post([this, call] { DispatchJsCall(*call); });
}

void CMainWnd::OnWebPageLoadEnd(CCefCommonUI* control, const wchar_t* frameUrl) {
    if (!control) return;
    std::wstring url = frameUrl ? frameUrl : L"";
    m_taskRelay.Post([this, control, url] { HandleWebPageLoadEnd(control, url); });
}

int CMainWnd::OpenNewPopupWnd(const wchar_t* url, const wchar_t* params) {
    std::wstring address = url ? url : L"";
    CMainMessageLoopWin* loop = CMainMessageLoopWin::GetMainMessageLoop();
    if (loop && loop->RunsTasksOnCurrentThread()) return OpenPopupOnWindowThread(address, params, false);
    // A page's pop-up (no parameter) from the engine's thread.
    m_taskRelay.Post([this, address] { OpenPopupOnWindowThread(address, nullptr, false); });
    return 0;
}

int CMainWnd::OpenPopupOnWindowThread(const std::wstring& url, const wchar_t* params, bool smallAccount) {
    LOG_DEBUG(L"Open WebGame page URL=%s", url.c_str());
    if (!params) {
        OpenInDefaultBrowser(url);
        return 0;
    }
    HandOverToPlayer(url, params, smallAccount);
    return 0;
}

void CMainWnd::OpenInDefaultBrowser(const std::wstring& url) {
    if (!IsWebAddress(url)) {
        LOG_WARNING(L"not opened: not a web address, URL=%s", url.c_str());
        return;
    }
    OpenUrlInDefaultBrowser(url, LOG_LEVEL_TRACE);
}

// --- Window thread

void CMainWnd::DispatchJsCall(const JsCallRecord& call) {
    const JsCallRow* row = FindJsCallRow(call.name);
    if (!row || call.Count() < row->minArgs) return;
    (this->*row->handler)(call);
}

void CMainWnd::OnJsCall_ShowLogin(const JsCallRecord&) { PostMessage(WM_SHOW_LOGIN_WND, 0, 0); }

void CMainWnd::OnJsCall_AddGame(const JsCallRecord& call) {
    CefRefPtr<CefDictionaryValue> game = call.Dictionary(0);
    if (!game) {
        LOG_WARNING(L"QXAddMyGame without a game");
        return;
    }
    auto entry = std::make_unique<GameInfoItem>();
    entry->listIndex = 0;
    int pkgid = game->GetInt(L"pkgid");
    (m_noCafeClient ? entry->jt_game_id : entry->pkgid) = pkgid;
    entry->gameType = game->GetInt(L"game_type");
    std::wstring name = game->GetString(L"game_name").ToWString();
    if (!name.empty()) entry->gameName = name;
    entry->SetIconUrl(game->GetString(L"game_icon_url").ToWString());
    LOG_DEBUG(L"QXAddMyGame(%d, %d, %s, %s)", pkgid, entry->gameType, name.c_str(), entry->iconUrl.c_str());
    if (pkgid == 0) return;
    std::vector<GameInfoItem*> changed;
    GameInfoItem* shown = m_gameList.AddNewGameBtn(entry.get(), &changed);
    if (!shown) {
        shown = entry.release();
        if (!changed.empty()) ReportGameListOrderChanged(changed);
        StartGameBtnImageDownload(*shown);
        StartAddGameReport(*shown);
    }
    PostMessage(WM_ADD_GAME_BTN, static_cast<WPARAM>(m_gameList.KeyOf(*shown)), 0);
}

void CMainWnd::OnJsCall_OpenURL(const JsCallRecord& call) {
    int openType = call.Int(0);
    std::wstring url = call.Text(1);
    int addParam = call.Int(2);
    LOG_DEBUG(L"open type=%d addParam=%d URL=%s", openType, addParam, url.c_str());
    switch (openType) {
    case 1:
        if (IsWebAddress(url))
            ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOW);
        else
            LOG_WARNING(L"not opened: not a web address, URL=%s", url.c_str());
        break;
    case 2:
        if (addParam == 1) {
            CStringW guid;
            CreateGUID(guid);
            url = SignOpenUrl(url, SignOpenUrlValues(guid, static_cast<int64_t>(_time64(nullptr))));
        }
        OpenPopupOnWindowThread(url, nullptr, false);
        break;
    case 3:
        if (!call.control) {
            LOG_ERROR(L"CMainWnd QXOpenURL param is null, url=%s", url.c_str());
            break;
        }
        m_context->PostOwned(WM_OPEN_URL_BY_CEF, std::make_unique<ViewNavigation>(ViewNavigation{call.control, url}));
        break;
    default:
        break;
    }
}


void CMainWnd::OnJsCall_LoadGameDetail(const JsCallRecord& call) {
    auto detail = std::make_unique<GameDetailCall>(GameDetailCall{call.control, call.Int(0), call.Int(1)});
    if (detail->gameId <= 0) {
        LOG_WARNING(L"loadGameDetail gameId invalid");
        return;
    }
    m_context->PostOwned(WM_ON_JS_LOAD_GAME_DETAIL, std::move(detail));
}

void CMainWnd::OnJsCall_LoadGameLaunch(const JsCallRecord& call) {
    PostMessage(WM_ON_JS_LOAD_GAME_LAUNCH, static_cast<WPARAM>(call.Int(0)), static_cast<LPARAM>(call.Int(1)));
    OnJsCall_StartGame(call);
}

void CMainWnd::OnJsCall_UserLogout(const JsCallRecord& call) {
    LOG_INFO(L"OnUserLogout %s", call.Bool(0) ? L"true" : L"false");
}

void CMainWnd::OnJsCall_SwitchWebWindow(const JsCallRecord& call) {
    int index = call.Int(0);
    LOG_INFO(L"SwitchWebWindow %d", index);
    if (static_cast<unsigned>(index) <= 3) PostMessage(WM_ON_JS_SWITCH_WEB_WINDOW, static_cast<WPARAM>(index), 0);
}

void CMainWnd::OnJsCall_IsGameInstalled(const JsCallRecord& call) {
    int gameId = call.Int(0);
    LOG_INFO(L"on js call IsGameIntalled gamePkgId=%d", gameId);
    if (gameId > 0)
        m_context->Payloads().PostKeyedInLParam(WM_ON_JS_CHECK_GAME_INSTALLED, static_cast<WPARAM>(gameId),
                                                std::make_unique<PageView>(PageView{call.control}));
}

void CMainWnd::OnJsCall_SwitchMyGameToGameLib(const JsCallRecord&) {
    SelectOption(L"gamelib_btn");
    SelectBodyPage(0);
}

void CMainWnd::OnJsCall_GetServerPingValue(const JsCallRecord& call) {
    std::string host = UnicodeToAnsi(call.Text(0).c_str());
    int timeoutMs = call.Int(1);
    int count = call.Int(2);
    CCefCommonUI* control = call.control;
    m_context->StartWorker("ping", [host, timeoutMs, count, control](CMainWndContext& context) {
        int result = -1;
        {
            CPing ping;
            ping.Ping(static_cast<unsigned>(count), host.c_str(), timeoutMs, &result);
        }
        context.PostOwned(WM_RETURN_PING_TIME, std::make_unique<PageView>(PageView{control}),
                          static_cast<LPARAM>(result));
    });
}

void CMainWnd::OnJsCall_QuerySystemInfo(const JsCallRecord& call) {
    if (call.control) call.control->RunJs(QuerySystemInfoScript(m_systemInfo).c_str());
}

void CMainWnd::OnJsCall_DownloadGame(const JsCallRecord& call) {
    int gameId = call.Int(0);
    if (gameId == 0) {
        LOG_WARNING(L"js downloadGame gameId=0");
        return;
    }
    auto request = std::make_unique<PageDownloadRequest>(PageDownloadRequest{call.control, gameId, call.Text(1)});
    if (request->gameName.empty()) LOG_WARNING(L"js downloadGame gameName is null");
    m_context->PostOwned(WM_ON_JS_DOWNLOAD_GAME, std::move(request));
}

void CMainWnd::OnJsCall_UpdateGame(const JsCallRecord& call) {
    int gameId = call.Int(0);
    if (gameId == 0) {
        LOG_WARNING(L"js updateGame gameId=0");
        return;
    }
    PostMessage(WM_UPDATE_GAME, static_cast<WPARAM>(gameId), 1);
}

// --- What the pages get back: window thread.

void CMainWnd::HandleWebPageLoadEnd(CCefCommonUI* control, const std::wstring& url) {
    LOG_INFO(L"CMainWnd::OnWebPageLoadEnd cef=%s url=%s", control->GetName().GetData(), url.c_str());
    if (url.find(L"index.html") != std::wstring::npos) {
        if (url.find(L"/html/index.html") == std::wstring::npos) NotifyDetailPage(control);
        return;
    }
    if (url.find(L"about:blank") != std::wstring::npos) {
        OnBlankPageLoaded(control);
        return;
    }
    if (url.find(L"search.html") != std::wstring::npos) {
        std::wstring text = m_pSearchEdit ? m_pSearchEdit->GetText().GetData() : L"";
        std::wstring script = SubmitSearchScript(text, m_noCafeClient ? 2 : 0);
        control->RunJs(script.c_str());
        LOG_DEBUG(L"CMainWnd search=%s", script.c_str());
    }
}

void CMainWnd::NotifyDetailPage(CCefCommonUI* control) {
    LOG_DEBUG(L"CMainWnd::OnWebPageLoadEnd DetailPage cef=0x%p", static_cast<void*>(control));
    if (control == m_pMyGameCef) {
        if (GameInfoItem* selected = GetSelectedGameItem())
            NotifyGameIdToPage(selected, control);
        else
            LOG_WARNING(L"CMainWnd::OnWebPageLoadEnd no selected game btn");
        return;
    }
    auto shown = m_viewGameMap.find(control);
    if (shown == m_viewGameMap.end()) {
        LOG_WARNING(L"CMainWnd::OnWebPageLoadEnd cef=0x%p without game pkgid", static_cast<void*>(control));
        return;
    }
    GameInfoItem game;
    (m_noCafeClient ? game.jt_game_id : game.pkgid) = shown->second;
    NotifyGameIdToPage(&game, control);
}

void CMainWnd::OnBlankPageLoaded(CCefCommonUI* control) {
    if (control->GetScriptRunFlag()) {
        control->SetScriptRunFlag(false);
        return;
    }
    if (control == m_pGameLobby) {
        control->Navigate2(m_startPageUrl.c_str(), false);
    } else if (control == m_pMyGameCef) {
        if (m_gameList.empty()) {
            control->Navigate2(m_noGamePageUrl.c_str(), false);
            return;
        }
        for (GameInfoItem* entry : m_gameList.items()) {
            if (entry->listIndex != 0) continue;
            std::wstring url = GetGameLaunchPageUrl(entry->gameType);
            if (!url.empty()) control->Navigate2(url.c_str(), false);
            break;
        }
    }
}

void CMainWnd::NotifyGameIdToPage(GameInfoItem* entry, CCefCommonUI* control) {
    int key = m_gameList.KeyOf(*entry);
    bool loggedIn = !m_account.empty();
    bool inMyList = loggedIn && m_gameList.FindByKey(key) != nullptr;
    bool needUpdate = false;
    int mode = 0, status = 0;
    if (!m_noCafeClient) {
        if (entry->installed == -1) entry->installed = m_installedGames.IsGameInstalledLocal(key);
    } else {
        status = LocalDB().GetGameStatus(key);
        needUpdate = LocalDB().IsGameNeedUpdate(key);
        if (entry->installed != 1 && entry->installed != 2) entry->installed = status == 0 ? 1 : 0;
        mode = 2;
    }
    control->RunJs(NotifyGameIdScript(key, entry->installed == 1, inMyList, needUpdate, mode, status).c_str());
}

void CMainWnd::HandleMsgOnJsLoadGameDetailPage(CCefCommonUI* control, int gameId, int gameType) {
    if (!control) {
        LOG_ERROR(L"HandleMsgOnJsLoadGameDetailPage cef is null");
        return;
    }
    std::wstring url = GetGameDetailPageUrl(gameType);
    if (url.empty()) {
        LOG_WARNING(L"HandleMsgOnJsLoadGameDetailPage get url failed, cef=0x%p gameId=%d gameType=%d",
                    static_cast<void*>(control), gameId, gameType);
        return;
    }
    LOG_DEBUG(L"HandleMsgOnJsLoadGameDetailPage cef=0x%p gameId=%d gameType=%d", static_cast<void*>(control), gameId,
              gameType);
    int tab = GamelibTabOfType(gameType);
    if (control != m_pGameLobby) {
        bool tabChanged = tab != m_curGamelibTab;
        if (tabChanged) m_curGamelibTab = tab;
        if (control == m_pMyGameCef) {
            SelectOption(L"gamelib_btn");
            ShowGameLibrary();
        }
        if (tabChanged && m_pGamelibLayout) m_pGamelibLayout->SelectItem(tab);
        static const wchar_t* const kTabOptions[] = {nullptr, L"web_game", L"net_game", L"pc_game"};
        if (kTabOptions[tab]) SelectOption(kTabOptions[tab]);
    }
    if (m_pGameLobby) {
        m_pGameLobby->Navigate2(url.c_str(), true);
        m_viewGameMap[m_pGameLobby] = gameId;
    }
}

void CMainWnd::HandleMsgOnJsLoadGameLaunch(int gameId, int gameType) {
    if (gameId <= 0) return;  // no game has such a key
    if (GameInfoItem* entry = m_gameList.FindByKey(gameId)) {
        if (entry->gameBtn) {
            SelectOption(L"my_game_btn");
            SelectBodyPage(1);
            entry->gameBtn->Selected(true);
        } else {
            LOG_ERROR(L"HandleMsgOnJsLoadGameLaunch gamebtn pkgid=%d without btnUI", gameId);
        }
        AutoScrollGameBtnList(entry);
        return;
    }
    LOG_INFO(L"HandleMsgOnJsLoadGameLaunch gamebtn pkgid=%d not in gamelist", gameId);
    auto added = std::make_unique<GameInfoItem>();
    added->iconExt[0] = L'\0';
    (m_noCafeClient ? added->jt_game_id : added->pkgid) = gameId;
    added->gameType = gameType;
    StartGameBtnInfoRequest(*added, kGameBtnLaunchInfo);
    SelectOption(L"my_game_btn");
    SelectBodyPage(1);
    std::vector<GameInfoItem*> changed;
    if (m_gameList.AddNewGameBtn(added.get(), &changed)) return;
    GameInfoItem* entry = added.release();
    if (!changed.empty()) ReportGameListOrderChanged(changed);
    CreateGameButton(entry);
    StartAddGameReport(*entry);
    AutoScrollGameBtnList(entry);
}

void CMainWnd::HandleMsgCheckGameInstalled(int gameId, CCefCommonUI* control) {
    if (!control) {
        LOG_ERROR(L"HandleMsgCheckGameInstalled pkgid=%u cef is null", static_cast<unsigned>(gameId));
        return;
    }
    bool installed = m_installedGames.IsGameInstalledLocal(gameId) == 1;
    control->RunJs(GameIsLoadScript(installed, gameId).c_str());
    if (!installed)
        LOG_WARNING(L"HandleMsgCheckGameInstalled pkgid=%u is not installed local", static_cast<unsigned>(gameId));
}
