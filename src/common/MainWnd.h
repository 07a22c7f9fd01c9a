#pragma once
// CMainWnd: the launcher's one top-level window (class "QXTarrowMainWnd",
// skin "WndMainFrame.xml"). It shows the channel bar, the game library, the
// user's games as game buttons and the downloads, and it receives every
// result of the worker threads, the page calls and the player as window
// messages.
//
// Threads: the window thread owns the window, its controls and every member
// below, except the ICefUIContainer slots, which the engine calls on its own
// UI thread. Worker threads run on value copies with the shared context
// (CMainWndContext) and report by posting; a payload waits in the context's
// PayloadQueue and the message carries its key (MainWndMessages.h). Every
// call of the package download library is made on one thread of its own
// (m_downloadLibrary), in the order the window thread hands them over.
//
// The object deletes itself when its window is gone (OnFinalMessage), which
// also ends the window thread's message loop.
#include <UIlib.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ChannelInfo.h"
#include "DownloadProgress.h"
#include "GameDowdloadItem.h"
#include "GameDownloadRequest.h"
#include "GameList.h"
#include "GameRunWatch.h"
#include "GameUpdateCheck.h"
#include "ICefUIContainer.h"
#include "InstalledGames.h"
#include "JsCallRecord.h"
#include "LauncherSettings.h"
#include "MainWndContext.h"
#include "OrvDown.h"
#include "SerialCallThread.h"
#include "UIDragControl.h"
#include "UniqueHandle.h"
#include "UpdateVersion.h"
#include "WindowTaskRelay.h"

struct PageDownloadRequest;

class CCefCommonUI;
class CGameButtonUI;

class CMainWnd : public DuiLib::WindowImplBase,
                 public ICefUIContainer,
                 public IVokPkgDownNotify,
                 public IDragControlUISink {
public:
    CMainWnd();
    ~CMainWnd() override;

    // --- Set by the entry before the window is created.
    void SetNoCafeClient(int value);
    // A start-game request: the whole text, and its part from "gameId=" on.
    void ParseStartGameInfo(const wchar_t* text);
    // Starts the launcher's start-up and install reports on a worker (once per run).
    void DoReportQXTarrow();

    // --- Window thread
    LPCTSTR GetWindowClassName() const override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;
    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    LRESULT OnGetMinMaxInfo(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    virtual void OnItemClick(DuiLib::TNotifyUI& msg);
    void Notify(DuiLib::TNotifyUI& msg) override;
    DuiLib::CControlUI* CreateControl(LPCTSTR pstrClass) override;
    void OnSelectChanged(DuiLib::TNotifyUI& msg) override;

    void OnWindowInit();
    void OnTimer(UINT_PTR timerId);
    void ShowChannelHome();
    void ShowGameLibrary();

    // Game buttons (called by CGameButtonUI).
    bool NoCafeClient() const { return m_noCafeClient != 0; }
    CLocalDB& LocalDB() { return m_context->LocalDB(); }
    void SetPressedGameButton(CGameButtonUI* button) { m_pPressedGameBtn = button; }
    void CreateDragControl(CGameButtonUI* button);
    // The drop: the order is numbered again and what changed is reported.
    void EndGameButtonDrag();
    void ShowGameButtonMenu(CGameButtonUI* button);

    // --- IDragControlUISink: window thread
    void OnDragAboveTop() override;
    void OnDragBelowBottom() override;

    // --- For the dialogs it opens: window thread
    LauncherSettings& Settings() { return m_settings; }
    void SetSettingDlgWindow(HWND dialog) { m_hSettingDlg = dialog; }
    std::wstring& ScreenshotFolder() { return m_screenshotFullPath; }
    const std::wstring& ProgramFolder() const { return m_programFolder; }
    SelfUpdateInfo& UpdateInfo() { return m_updateInfo; }
    // Before the launcher ends for its update: running downloads stop with
    // their progress saved, the tray icon goes and the player is told to close.
    void PrepareExitForUpdate();

    // --- ICefUIContainer: engine UI thread
    int OpenNewPopupWnd(const wchar_t* url, const wchar_t* params) override;
    void HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments,
                      CCefCommonUI* control) override;
    void OnWebPageLoadEnd(CCefCommonUI* control, const wchar_t* frameUrl) override;
    void NotifyCefTitleChanged(CCefCommonUI*, const wchar_t*) override {}
    void OpenPageGameWebWnd(const wchar_t*, bool) override {}

    // --- Page calls. One row of the table: the function name (compared
    // exactly), the least argument count (fewer: the call does nothing) and
    // the handler, which runs on the window thread.
    using JsCallHandler = void (CMainWnd::*)(const JsCallRecord& call);
    struct JsCallRow {
        const wchar_t* name;
        size_t minArgs;
        JsCallHandler handler;
    };
    // The row of a page call's name; null when no row has it.
    static const JsCallRow* FindJsCallRow(const std::wstring& name);

    // --- IVokPkgDownNotify: the download library's threads (MainWndDownloadNotify.cpp).
    // They log, post to the window, feed the progress slots and write a
    // success to the local table; they never wait on the window thread.
    void OnTaskCreateFailed(VokPkgTaskInfo* task) override;
    void OnTaskInit(VokPkgTaskInfo* task) override;
    int DoCleanForPkg(VokPkgTaskInfo* task, uint64_t needBytes) override;
    void OnBeginQueryBlock(VokPkgTaskInfo* task) override;
    void OnCalcPkgDownInfo(VokPkgTaskInfo* task, uint32_t blocks, uint64_t bytes) override;
    void OnCalcPkgDownIdxInfo(VokPkgTaskInfo* task, uint32_t needBlocks, uint32_t leftBlocks) override;
    void OnIdxOfIdxDownFinish(VokPkgTaskInfo* task) override;
    void OnIdxDownFinish(VokPkgTaskInfo* task) override;
    void OnDumpPkgDownInfo(VokPkgTaskInfo* task, VokPkgProgressInfo* progress, uint32_t value) override;
    bool FilterDownFile(const char* fileName) override;
    void OnPkgDownFinish(VokPkgTaskInfo* task, uint32_t fileCount, uint32_t blockCount, uint32_t idxSize) override;
    void OnTaskSuccess(VokPkgTaskInfo* task, uint32_t value) override;
    void OnTaskDestory(VokPkgTaskInfo* task, uint32_t value) override;
    void OnTaskCancel(VokPkgTaskInfo* task, uint32_t value1, uint32_t value2) override;

protected:
    DuiLib::CDuiString GetSkinFile() override { return L"WndMainFrame.xml"; }
    DUI_DECLARE_MESSAGE_MAP()

private:
    // --- Window core (MainWnd.cpp)
    // The payload a message's key names; null (and a Warning) when it names none.
    template <typename T>
    std::unique_ptr<T> TakePayload(UINT message, const wchar_t* messageName, UINT_PTR key) {
        return m_context->Payloads().Take<T>(message, messageName, key);
    }
    void FindControls();
    void CreateFolder(const wchar_t* relative, const wchar_t* errorFormat);
    void CloseByRule();
    void SelectOption(const wchar_t* name);
    void SelectBodyPage(int page);
    void OnSwitchWebWindow(WPARAM index);
    void LogNotHandledHere(const wchar_t* what, UINT_PTR id);

    // --- Page-script calls and the scripts that answer them (MainWndJsCall.cpp): window thread
    void DispatchJsCall(const JsCallRecord& call);
    void OnJsCall_ShowLogin(const JsCallRecord& call);
    void OnJsCall_AddGame(const JsCallRecord& call);
    void OnJsCall_UserLoginByFree(const JsCallRecord& call);
    void OnJsCall_NavigateGameLobby(const JsCallRecord& call);
    void OnJsCall_OpenURL(const JsCallRecord& call);
    void OnJsCall_StartGame(const JsCallRecord& call);
    void OnJsCall_SmallAccountStartGame(const JsCallRecord& call);
    void OnJsCall_LoginByICafe(const JsCallRecord& call);
    void OnJsCall_LoadGameDetail(const JsCallRecord& call);
    void OnJsCall_LoadGameLaunch(const JsCallRecord& call);
    void OnJsCall_UserLogout(const JsCallRecord& call);
    void OnJsCall_SwitchWebWindow(const JsCallRecord& call);
    void OnJsCall_IsGameInstalled(const JsCallRecord& call);
    void OnJsCall_SwitchMyGameToGameLib(const JsCallRecord& call);
    void OnJsCall_GetServerPingValue(const JsCallRecord& call);
    void OnJsCall_QuerySystemInfo(const JsCallRecord& call);
    void OnJsCall_DownloadGame(const JsCallRecord& call);
    void OnJsCall_UpdateGame(const JsCallRecord& call);
    // Opens a page's address: without params in the default browser, else
    // through the player (a small account's request when smallAccount is set).
    int OpenPopupOnWindowThread(const std::wstring& url, const wchar_t* params, bool smallAccount);
    void OpenInDefaultBrowser(const std::wstring& url);
    void HandleWebPageLoadEnd(CCefCommonUI* control, const std::wstring& url);
    void NotifyDetailPage(CCefCommonUI* control);
    void OnBlankPageLoaded(CCefCommonUI* control);
    void NotifyGameIdToPage(GameInfoItem* entry, CCefCommonUI* control);
    void HandleMsgOnJsLoadGameDetailPage(CCefCommonUI* control, int gameId, int gameType);
    void HandleMsgOnJsLoadGameLaunch(int gameId, int gameType);
    void HandleMsgCheckGameInstalled(int gameId, CCefCommonUI* control);

    // --- Hand-over to the player (MainWndHandOver.cpp): window thread
    void StartGameFromPage(const JsCallRecord& call, bool smallAccount);
    void HandOverToPlayer(const std::wstring& url, const std::wstring& param, bool smallAccount);
    void WriteTokenFile();
    void WriteRequestFile(unsigned request, const std::wstring& url, const std::wstring& param, bool smallAccount);
    // The player's frame: the one it reported, else one found by its class
    // (a player whose report has not come yet); null when none runs.
    HWND GameFrame();
    void SendRequestToPlayer(unsigned request);
    // At logout and close: nothing of the session is left for a player.
    void DropSessionHandOver();
    void OnGameFrameReported(HWND frame);
    void CheckGameRunningStatus();

    // --- Settings (MainWndSettings.cpp)
    void LoadSettings();
    void PrepareScreenshotFolder();
    void SetAutoRun(bool on);

    // --- Game list and channels (MainWndGameList.cpp)
    void ReadGameBtnInfoFromFile();
    void CreateAndShowGameListBySequence(bool fetchImages);
    GameInfoItem* GetSelectedGameItem() const;
    void CreateChannelTabs();
    void OnChannelButtonClick(DuiLib::COptionUI* button);
    // Shows channel n's tab and view in place of the current channel's.
    void ShowChannelTab(int n, bool selectButton);
    void OnChannelIconsDownloaded();
    std::wstring GetGameButtonImagePath(const GameInfoItem& entry) const;
    std::wstring GetGameDetailPageUrl(int gameType) const;
    std::wstring GetGameLaunchPageUrl(int gameType) const;
    GameBtnRequest MakeGameBtnRequest(const GameInfoItem& entry) const;

    // --- Game buttons (MainWndGameButtons.cpp)
    void CreateGameButton(GameInfoItem* entry);
    void MoveGameBtn(CGameButtonUI* dragged, POINT screenPoint);
    void RemoveGameIcon(GameInfoItem* entry);
    void HandleMsgUpdateGameBtnUI(GameBtnInfoResult* result);
    void AutoScrollGameBtnList(GameInfoItem* entry);
    // The game of the list with that key (WM_ADD_GAME_BTN).
    void OnAddGameButton(int gameKey);
    // A drag whose button-up will not come (the capture went elsewhere, or
    // the mouse moves with the left button up): it ends without a drop, the
    // buttons go back to the order of the last drop and nothing is reported.
    void CancelGameButtonDrag();
    void OnCaptureChanged(HWND gaining);
    void RestoreGameButtonOrder();
    std::vector<CGameButtonUI*> GameButtonsInOrder() const;
    int GameButtonSlot(int position) const;
    std::wstring GameButtonForeImage(const GameInfoItem& entry) const;

    // --- Back-end requests and reports (MainWndBackend.cpp)
    void RequestChannelInfo();
    void StartChannelIconDownloads(const std::vector<ChannelIconRequest>& icons);
    void StartGameBtnInfoRequest(const GameInfoItem& entry, int flags);
    void StartGameBtnImageDownload(const GameInfoItem& entry);
    void StartAddGameReport(const GameInfoItem& entry);
    void ReportGameListOrderChanged(const std::vector<GameInfoItem*>& changed);
    void StartOrderReport(const std::wstring& items);
    void StartGameRunTimeReport(int seconds);
    static void ReportGameRunTime(CMainWndContext& context, const std::wstring& account, int gameId, int idType,
                                  int seconds);
    static void DownloadChannelImage(CMainWndContext& context, const ChannelIconRequest& icon);
    static void RequestGameBtnInfo(CMainWndContext& context, const GameBtnRequest& request, int flags);
    static bool DownloadGameBtnImage(CMainWndContext& context, const GameBtnRequest& request);
    static void ReportAddMyGame(CMainWndContext& context, const GameBtnRequest& request,
                                const std::wstring& account);
    static void DoReportGameListOrderChanged(CMainWndContext& context, const std::wstring& account,
                                             const std::wstring& items);
    static void ReportQXTarrow(CMainWndContext& context, const std::wstring& reportUrl, const std::wstring& installUrl,
                               const std::wstring& guid);

    // --- Menus (MainWndMenu.cpp)
    void ShowMainMenu(const wchar_t* skinFile, POINT at);
    // Where the title bar's menus open: left of and below the pointer.
    static POINT MainMenuPoint();
    // wParam of the skin library's menu click (1145).
    void OnMenuClick(WPARAM record);
    bool ShowLoginWnd(bool skip, bool refreshAfter);
    void OnMenuShowMain(const DuiLib::MenuCmd& command);
    void OnMenuExitMain(const DuiLib::MenuCmd& command);
    void OnMenuExpenseCalendar(const DuiLib::MenuCmd& command);
    void OnMenuUserLogout(const DuiLib::MenuCmd& command);
    void OnMenuUserInfo(const DuiLib::MenuCmd& command);
    void OnMenuRemoveIcon(const DuiLib::MenuCmd& command);
    void OnMenuGamePath(const DuiLib::MenuCmd& command);
    void OnMenuAutoUpdate(const DuiLib::MenuCmd& command);
    void OnMenuRepairGame(const DuiLib::MenuCmd& command);
    void OnMenuUninstallGame(const DuiLib::MenuCmd& command);
    void OnMenuSetting(const DuiLib::MenuCmd& command);
    void OnMenuScreenshot(const DuiLib::MenuCmd& command);
    void OnMenuUpdate(const DuiLib::MenuCmd& command);
    void OnMenuAbout(const DuiLib::MenuCmd& command);
    GameInfoItem* ContextMenuGameItem() const;

    // --- Tray icon and boss key (MainWndTray.cpp)
    void OnTrayMessage(UINT mouseMessage);
    LRESULT OnHotKey(WPARAM hotKeyId);
    // Shows the main window (and an open settings dialog).
    void ShowMainAndSettings();
    // The icon in the notification area; again whenever the shell's taskbar
    // is made anew ("TaskbarCreated"), as after the shell restarted.
    void AddTrayIcon();
    static bool IsTaskbarCreated(UINT message);
    void OnTaskbarCreated();
    // While a modal dialog runs, the menus open no other: the main window
    // and that dialog come to the front. False when none runs.
    bool BringModalDialogToFront();
    void PostToGameFrame(UINT message, WPARAM wParam);

    // --- Dialogs (MainWndDialogs.cpp)
    // Runs a dialog as a modal popup of this window, centred; its result
    // (0 when it could not be made).
    UINT RunModal(DuiLib::WindowImplBase* dialog, const wchar_t* title, int width, int height);
    // The modal loop of a made dialog, known as the running one meanwhile.
    UINT RunModalLoop(DuiLib::CWindowWnd* dialog);
    void ShowSettingDlg();
    void ShowAboutDlg();
    void ShowScreenshotDlg();
    void ShowUploadProgressWnd();
    void ShowUpdateDlg();

    // --- Downloads: tasks, rows, repair, uninstall, smart speed (MainWndDownload.cpp)
    bool HandleDownloadMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    bool OnDownloadTimer(UINT_PTR timerId);
    // True once the library is up. Otherwise its bring-up is started on the
    // library thread (unless one runs already or there is no server address)
    // and false comes back: the caller's request may wait for the outcome.
    bool InitDownloadModule();
    // What may wait for the library's bring-up.
    enum class AwaitedDownloadCall { Download, Update, Repair, Uninstall };
    static bool IsStartCall(AwaitedDownloadCall call) {
        return call == AwaitedDownloadCall::Download || call == AwaitedDownloadCall::Update;
    }
    // The request waits for the bring-up under way; false when none runs.
    bool WaitForDownloadModule(int gameId, AwaitedDownloadCall call);
    bool StartDownloadModuleConnect();
    void OnDownloadModuleConnected(const DownloadModuleOutcome& outcome);
    void SetInitialSpeedLimit();
    void RunAwaitedDownloadCalls();
    // Hands a call to the library thread; the library hears of a task only
    // while it is up.
    void CallDownloadLibrary(const wchar_t* name, std::function<void()> call);
    void ShutdownDownloadModule();
    DWORD NormalSpeedLimit() const;
    std::string GameFolder(int gameId) const;
    bool StartDownloadGame(int gameId);
    bool StartUpdateGame(int gameId);
    void CreateDownloadTask(int gameId, const std::string& folder);
    void HandleMsgJsDownloadGame(const PageDownloadRequest& request);
    void HandleMsgUpdateGame(int gameId);
    void HandleMsgGameDownloadCancel(int gameId);
    void HandleMsgGameUninstalled(int gameId);
    void PauseGameDownload(GameDowdloadItem* row);
    void RestoreGameDownload(GameDowdloadItem* row);
    void ShowRowRunning(GameDowdloadItem* row, bool running);
    void OnGameDownloadPauseAllBtnClicked();
    void OnGameDownloadCancelAllBtnClicked();
    void OnGameDownloadFolderBtnClicked(DuiLib::CControlUI* sender);
    void OnGameDownloadDeleteBtnClicked(DuiLib::CControlUI* sender);
    void OnGameDownloadPauseBtnClicked(DuiLib::CControlUI* sender);
    void SwitchPauseAllState();
    void UpdateUIWhenAllDownloading();
    void UpdateUIWhenNoDownloadTask();
    void RemoveDownloadRow(GameDowdloadItem* row);
    void RepairGame(int gameId);
    void RepairInstalledGame(int gameId);
    void StartUninstallGame(int gameId);
    void QueueUninstall(int gameId);
    static void UninstallGame(CMainWndContext& context, int gameId);
    void StopDownloadsOnClose();
    bool IsOtherWindowFullScreen() const;
    void CheckFullScreen();
    void OnOtherWndFullScreen(bool fullScreen);
    GameDowdloadItem* FindDownloadRow(int gameId) const;
    GameDowdloadItem* FindDownloadRowByControl(DuiLib::CControlUI* sender, DuiLib::CButtonUI* GameDowdloadItem::*button) const;
    GameInfoItem* FindGameItemByHomeId(int homeId) const;

    // --- Download panel (MainWndDownloadPanel.cpp)
    bool InitProgressTask(int gameId);
    bool RemoveProgressTask(int gameId);
    GameDowdloadItem* CreateGameDownloadUIGroup(std::unique_ptr<GameDowdloadItem> row);
    void HandleMsgGameDownloadInfo(int gameId, std::unique_ptr<GamePackageInfo> info);
    void HandleMsgGameDownloadSuccess(int gameId);
    void HandleMsgUpdateGameDownloadPic(int gameId);
    void HandleUpdateGameDownloadProgress();
    void UpdateRemainTimeText(uint32_t seconds);
    void WriteDownloadTotals(const DownloadPanelTotals& totals);
    void ResetDownloadPanelTexts();
    void StartProgressThread();
    void StopProgressThread();
    struct ProgressThreadArgs;
    static unsigned __stdcall ProgressThreadMain(void* parameter);
    static void UpdateGameDownloadProgressToDB(DownloadProgressState& state, CLocalDB& db);

    // --- Download requests and the update check (MainWndDownloadRequests.cpp)
    void StartGameConfigInfoRequest(const GameDowdloadItem& row, GameConfigUse use);
    void StartGameConfigInfoRefill();
    void StartGameDownloadReport(int gameId);
    void CheckGameUpdate();
    static void RequestGameConfigInfo(CMainWndContext& context, const GameConfigRequest& request);
    static void DownloadGamePicImage(CMainWndContext& context, int gameId, const std::wstring& url,
                                     const std::wstring& path);
    static void DoReportGameDownload(CMainWndContext& context, const std::wstring& reportUrl,
                                     const std::wstring& guid, int gameId);
    static void CheckGameUpdateThread(CMainWndContext& context, const std::vector<int>& homeIds);

    // --- Login state, channel switches of the account, closing (MainWndLogin.cpp)
    bool UpdateLoginInfo();
    void ReloadChannelPages();
    int FindChannelIndex(const wchar_t* name) const;
    CCefCommonUI* ChannelView(int index);
    void ShowMyGamesForCafeLogin();
    void ShowGameLobby(const std::wstring& url, bool logout);
    void OnOpenPageGameLogin(int gameId, int gameType);
    // The token of the account cookie: what a visit that finished found
    // (empty when it met none); the last token when the visit did not finish in time.
    std::wstring ReadTokenFromCookie();
    void StartLoginTokenWatch();
    void CheckLoginToken();
    void ShowLoggedOutState();
    void ClearAccountCookie();
    void OnMenuUserSwitch(const DuiLib::MenuCmd& command);
    void OnMenuLoginOut(const DuiLib::MenuCmd& command);
    void OnCloseMainWnd();
    void UserLogout();

    // --- Back-end requests of a login (MainWndAccountRequests.cpp)
    // The payload of WM_SHOW_GAME_LIST: a game list and the account it was asked for.
    struct AccountGameList {
        AccountGameList(const std::wstring& forAccount, bool noCafeClient)
            : account(forAccount), games(noCafeClient) {}
        const std::wstring account;
        CGameList games;
    };
    void StartMyGameListRequest();
    // Window thread: an account's game list parsed by RequestMyGameList
    // (null: only show the list again). The list of an account that is no
    // longer the logged-in one is dropped.
    void OnServerGameList(std::unique_ptr<AccountGameList> answer);
    void StartHeadImageDownload();
    static void RequestMyGameList(CMainWndContext& context, const std::wstring& account, bool noCafeClient);
    static void DownloadHeaderImage(CMainWndContext& context, const std::wstring& url, const std::wstring& path);

    // --- Immutable after construction: any thread.
    const std::wstring m_programFolder;     // with trailing backslash
    const std::wstring m_programFolderUrl;  // the same with '/' for file:/// URLs
    const std::wstring m_startPageUrl;      // the lobby page, html/index.html
    const std::wstring m_noGamePageUrl;     // html/nogame.html
    const std::shared_ptr<CMainWndContext> m_context;

    // --- Window thread only.
    CWindowTaskRelay m_taskRelay;  // hands the engine-thread slots' work to this thread
    std::wstring m_runGuid;
    std::wstring m_systemInfo;
    LauncherSettings m_settings;
    std::wstring m_screenshotFullPath;
    int m_noCafeClient = 0;
    CInstalledGames m_installedGames;
    CGameList m_gameList;
    // Login state (an empty account = nobody logged in).
    std::wstring m_account;
    std::wstring m_nick;
    std::wstring m_headImageUrl;
    std::wstring m_loginToken;
    bool m_cafeLogin = false;  // logged in by the café page: a lost token keeps the cookie
    bool m_freeLogin = false;  // logged in by userLoginByFree
    bool m_loginDlgOpen = false;
    // Start-game request.
    std::wstring m_startGameLine;
    std::wstring m_startGameTail;
    int m_startGameFlag = 0;
    // Channels.
    std::vector<ChannelInfo> m_channels;
    std::map<int, ChannelInfo> m_channelMap;
    int m_curChannelIndex = 0;
    // Game library: the shown tab (0 home, 1 web, 2 network, 3 single-player
    // games) and the game whose detail page each view shows.
    int m_curGamelibTab = 0;
    std::map<CCefCommonUI*, int> m_viewGameMap;
    // Game buttons and their drag.
    CGameButtonUI* m_pPressedGameBtn = nullptr;      // not owned
    CGameButtonUI* m_pContextMenuGameBtn = nullptr;  // not owned
    std::unique_ptr<DuiLib::CMenuWnd> m_pGameBtnMenu;
    CDragControlUI* m_pDragControl = nullptr;        // not owned (the list owns it)
    bool m_bGameOrderChanged = false;
    int m_gameBtnCounter = 0;
    const int m_gameBtnSize = 114;
    DWORD m_lastGameBtnMoveTick = 0;
    // Other windows.
    HWND m_hSettingDlg = nullptr;   // not owned
    HWND m_hModalDlg = nullptr;     // the modal dialog that runs; not owned
    HWND m_hGameFrame = nullptr;    // the player's frame; not owned
    // Hand-over: the next request number, and a player started but not yet
    // reported (its start tick, 0 when none) with the requests it has not
    // opened: the one on its command line and those waiting for its window.
    unsigned m_requestCounter = 0;
    ULONGLONG m_playerStartTick = 0;
    std::optional<unsigned> m_playerStartRequest;
    std::vector<unsigned> m_waitingRequests;
    // The watch of a started game's process: its exe name and full path and
    // its game id (nothing fills them yet), and what the checks saw.
    std::wstring m_watchedGameExeName;
    std::wstring m_watchedGameExePath;
    int m_watchedGameId = 0;
    CGameRunWatch m_gameRunWatch;
    DuiLib::CTrayIcon m_trayIcon;
    std::unique_ptr<DuiLib::CMenuWnd> m_pMainMenu;   // the one open main, drop-down or tray menu
    int m_bossKeyId = 0;
    bool m_bBossHidden = false;                      // hidden by the boss key
    DuiLib::CWindowWnd* m_pUploadProgressWnd = nullptr;  // deletes itself
    SelfUpdateInfo m_updateInfo;
    // Downloads: the rows in creation order (owned), the library, the panel.
    std::vector<std::unique_ptr<GameDowdloadItem>> m_downloadRows;
    const std::shared_ptr<DownloadProgressState> m_downloadProgress;  // shared with the progress thread
    UniqueHandle m_progressThread;
    bool m_progressTimerStarted = false;
    // The library: every call is made on its own thread, in order; the
    // window thread knows it is up once the outcome of the bring-up came.
    CSerialCallThread m_downloadLibrary{L"download library"};
    const std::shared_ptr<bool> m_downloadLibraryUp = std::make_shared<bool>(false);  // library thread only
    bool m_downloadConnecting = false;
    std::vector<std::pair<int, AwaitedDownloadCall>> m_awaitedDownloadCalls;
    bool m_downloadModuleReady = false;
    bool m_allDownloading = true;
    bool m_otherWndFullScreen = false;
    int m_downloadRowCounter = 0;
    CGameUpdateCheck m_gameUpdateCheck;
    // Run-time report clock.
    DWORD m_runTimeStartTick = 0;
    DWORD m_runTimeLastTick = 0;
    DWORD m_runTimeInterval = 10000;
    int m_queryUserInfoCount = 0;

    // Controls (owned by the control tree; null when the skin lacks them).
    DuiLib::CControlUI* m_pMenuBtn = nullptr;
    DuiLib::CControlUI* m_pCloseBtn = nullptr;
    DuiLib::CControlUI* m_pMinBtn = nullptr;
    DuiLib::CControlUI* m_pUserName = nullptr;
    DuiLib::CControlUI* m_pUserNick = nullptr;
    DuiLib::CControlUI* m_pHeaderBtn = nullptr;
    DuiLib::CControlUI* m_pDragDownBtn = nullptr;
    DuiLib::CControlUI* m_pSearchEdit = nullptr;
    DuiLib::CTabLayoutUI* m_pBodyLayout = nullptr;
    DuiLib::CTabLayoutUI* m_pGamelibLayout = nullptr;
    DuiLib::CControlUI* m_pMyGameWnd = nullptr;
    DuiLib::CContainerUI* m_pMyGameList = nullptr;
    DuiLib::CControlUI* m_pAddGameGroup = nullptr;
    DuiLib::CControlUI* m_pAddGameBtn = nullptr;
    DuiLib::CControlUI* m_pAddGameText = nullptr;
    DuiLib::CContainerUI* m_pGameDownloadBox = nullptr;
    CCefCommonUI* m_pGameLobby = nullptr;
    CCefCommonUI* m_pMyGameCef = nullptr;
    CCefCommonUI* m_pOtherCef = nullptr;
    DuiLib::CControlUI* m_pRemainSize = nullptr;
    DuiLib::CControlUI* m_pTotalSpeed = nullptr;
    DuiLib::CControlUI* m_pRemainTime = nullptr;
    DuiLib::CControlUI* m_pPauseAllBtn = nullptr;
    DuiLib::CControlUI* m_pCancelAllBtn = nullptr;
    DuiLib::COptionUI* m_pGamelibBtn = nullptr;
    DuiLib::COptionUI* m_pMyGameBtn = nullptr;
    DuiLib::COptionUI* m_pGameDownloadBtn = nullptr;
    DuiLib::COptionUI* m_pHomePageOpt = nullptr;
    DuiLib::COptionUI* m_pWebGameOpt = nullptr;
    DuiLib::COptionUI* m_pNetGameOpt = nullptr;
    DuiLib::COptionUI* m_pPcGameOpt = nullptr;
    DuiLib::CContainerUI* m_pMainTabBar = nullptr;
};
