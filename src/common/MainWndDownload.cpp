// The main window's game downloads: the package download library, the task
// rows and their buttons, repair and uninstall from the game-button menu,
// and the smart download speed. Window thread, but the calls handed to the
// library thread (the library's calls and UninstallGame).
#include "MainWnd.h"

#include <shellapi.h>

#include <algorithm>

#include "CCefCommonUI.h"
#include "DownloadRecords.h"
#include "GameButton.h"
#include "GameDownloadRequest.h"
#include "GlobalFunc.h"
#include "LogWriter.h"
#include "MainWndMessages.h"
#include "PageScripts.h"

using namespace DuiLib;

namespace {

constexpr DWORD kMinimalSpeed = 1024;
constexpr UINT kFullScreenPollMs = 2000;
// How long the window's end waits for the library thread's last calls
// (stops, DownUninit): each ends its task's threads within a fraction of a second.
constexpr DWORD kLibraryFinishWaitMs = 15000;
constexpr int kStatusComplete = 0;
constexpr int kStatusUpdating = 2;
constexpr int kStatusRemoved = 3;

struct ButtonImages {
    const wchar_t* normal;
    const wchar_t* hot;
    const wchar_t* pushed;
};
constexpr ButtonImages kPauseImages = {L"download/pause_btn.png", L"download/pause_btn2.png",
                                       L"download/pause_btn3.png"};
constexpr ButtonImages kStartImages = {L"download/start_btn.png", L"download/start_btn2.png",
                                       L"download/start_btn3.png"};
constexpr ButtonImages kPauseAllImages = {L"download/pause_all_btn.png", L"download/pause_all_btn2.png",
                                          L"download/pause_all_btn3.png"};
constexpr ButtonImages kStartAllImages = {L"download/start_all_btn.png", L"download/start_all_btn2.png",
                                          L"download/start_all_btn3.png"};

void SetButtonImages(CControlUI* control, const ButtonImages& images) {
    CButtonUI* button = control ? static_cast<CButtonUI*>(control->GetInterface(L"Button")) : nullptr;
    if (!button) return;
    button->SetNormalImage(images.normal);
    button->SetHotImage(images.hot);
    button->SetPushedImage(images.pushed);
}

void SetText(CControlUI* control, const std::wstring& text) {
    if (control) control->SetText(text.c_str());
}

std::function<void()> StopTaskCall(int gameId) {
    return [gameId] { StopTask(static_cast<uint32_t>(gameId)); };
}

}  // namespace

// --- Dispatch

bool CMainWnd::HandleDownloadMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    int gameId = static_cast<int>(wParam);
    switch (uMsg) {
    case WM_OTHER_WND_FULL_SCREEN:
        if (wParam == 2) OnOtherWndFullScreen(lParam == 1);
        return true;
    case WM_UPDATE_GAME:
        LOG_DEBUG(L"CMainWnd om msg updateGame id=%u", static_cast<unsigned>(wParam));
        if (lParam == 1) {
            SelectOption(L"game_download_btn");
            SelectBodyPage(2);
        }
        HandleMsgUpdateGame(gameId);
        return true;
    case WM_ON_JS_DOWNLOAD_GAME:
        if (std::unique_ptr<PageDownloadRequest> request =
                TakePayload<PageDownloadRequest>(uMsg, L"WM_ON_JS_DOWNLOAD_GAME", wParam)) {
            SelectOption(L"game_download_btn");
            SelectBodyPage(2);
            HandleMsgJsDownloadGame(*request);
        }
        return true;
    case WM_UPDATE_GAME_DOWNLOAD_PIC:
        HandleMsgUpdateGameDownloadPic(gameId);
        return true;
    case WM_GAME_DOWNLOAD_PROGRESS:
        if (std::unique_ptr<GamePackageInfo> info =
                TakePayload<GamePackageInfo>(uMsg, L"WM_GAME_DOWNLOAD_PROGRESS", static_cast<UINT_PTR>(lParam)))
            HandleMsgGameDownloadInfo(gameId, std::move(info));
        return true;
    case WM_DOWNLOAD_MODULE_CONNECTED:
        if (std::unique_ptr<DownloadModuleOutcome> outcome =
                TakePayload<DownloadModuleOutcome>(uMsg, L"WM_DOWNLOAD_MODULE_CONNECTED", wParam))
            OnDownloadModuleConnected(*outcome);
        return true;
    case WM_GAME_DOWNLOAD_SUCCESS:
        HandleMsgGameDownloadSuccess(gameId);
        return true;
    case WM_GAME_DOWNLOAD_CANCEL:
        HandleMsgGameDownloadCancel(gameId);
        return true;
    case WM_GAME_UNINSTALLED:
        HandleMsgGameUninstalled(gameId);
        return true;
    default:
        return false;
    }
}

bool CMainWnd::OnDownloadTimer(UINT_PTR timerId) {
    switch (timerId) {
    case kTimerCheckGameUpdate:
        CheckGameUpdate();
        return true;
    case kTimerDownloadProgress:
        HandleUpdateGameDownloadProgress();
        return true;
    case kTimerFullScreen:
        CheckFullScreen();
        return true;
    default:
        return false;
    }
}

// --- The library

bool CMainWnd::InitDownloadModule() {
    if (m_downloadModuleReady) return true;
    if (m_downloadConnecting) return false;
    if (m_settings.downloadAddress.empty()) {
        LOG_ERROR(L"Game download init failed, server address is null");
        return false;
    }
    m_downloadConnecting = StartDownloadModuleConnect();
    return false;
}

// DownInit and ConnectSSS on the library thread, which may wait for the
// server for seconds; the outcome comes back as WM_DOWNLOAD_MODULE_CONNECTED.
// After a failure the next bring-up begins with DownInit again.
bool CMainWnd::StartDownloadModuleConnect() {
    IVokPkgDownNotify* notify = this;
    std::string host = m_settings.downloadAddress;
    unsigned short port = m_settings.downloadPort;
    std::shared_ptr<CMainWndContext> context = m_context;
    std::shared_ptr<bool> up = m_downloadLibraryUp;
    return m_downloadLibrary.Queue(L"ConnectSSS", [notify, host, port, context, up] {
        auto outcome = std::make_unique<DownloadModuleOutcome>();
        outcome->initialised = DownInit(notify);
        if (!outcome->initialised)
            LOG_ERROR(L"DownInit failed");
        else if (!(outcome->connected = ConnectSSS(host.c_str(), port)))
            LOG_ERROR(L"ConnectSSS(%s) failed", AnsiToUnicode(host.c_str()).c_str());
        *up = outcome->connected;
        context->PostOwned(WM_DOWNLOAD_MODULE_CONNECTED, std::move(outcome));
    });
}

bool CMainWnd::WaitForDownloadModule(int gameId, AwaitedDownloadCall call) {
    if (!m_downloadConnecting) return false;
    // A game's row waits with one start, the one asked last (a pause and a
    // resume, or an update, may come meanwhile); other calls wait once each.
    auto same = [gameId, call](const std::pair<int, AwaitedDownloadCall>& entry) {
        return entry.first == gameId && (entry.second == call || (IsStartCall(entry.second) && IsStartCall(call)));
    };
    m_awaitedDownloadCalls.erase(std::remove_if(m_awaitedDownloadCalls.begin(), m_awaitedDownloadCalls.end(), same),
                                 m_awaitedDownloadCalls.end());
    m_awaitedDownloadCalls.emplace_back(gameId, call);
    return true;
}

void CMainWnd::OnDownloadModuleConnected(const DownloadModuleOutcome& outcome) {
    if (!m_downloadConnecting) return;  // the outcome of a bring-up this window did not ask for
    m_downloadConnecting = false;
    if (outcome.initialised && outcome.connected) {
        m_downloadModuleReady = true;
        SetInitialSpeedLimit();
        // The full-screen rule is polled while the module is up.
        SetTimer(m_hWnd, kTimerFullScreen, kFullScreenPollMs, nullptr);
    }
    RunAwaitedDownloadCalls();
}

void CMainWnd::SetInitialSpeedLimit() {
    m_otherWndFullScreen = IsOtherWindowFullScreen();
    DWORD limit = NormalSpeedLimit();
    bool minimal = m_noCafeClient && !m_settings.alwaysUpdate && m_otherWndFullScreen;
    if (minimal) limit = kMinimalSpeed;
    CallDownloadLibrary(L"SetTotalSpeedLimit", [limit] { SetTotalSpeedLimit(limit); });
    if (minimal)
        LOG_DEBUG(L"Game download limit(init), smart mode, minimal speed");
    else
        LOG_DEBUG(L"Game download limit(init), set speed %u B/s", static_cast<unsigned>(limit));
}

// What waited for the bring-up, in the order it was asked. A start whose row
// is gone or no longer runs meanwhile is not made; after a failed bring-up
// the rows of the starts stay in the panel with no task behind them, while
// repair and uninstall go on as they do without the library.
void CMainWnd::RunAwaitedDownloadCalls() {
    std::vector<std::pair<int, AwaitedDownloadCall>> calls;
    calls.swap(m_awaitedDownloadCalls);
    for (const auto& [gameId, call] : calls) {
        if (call == AwaitedDownloadCall::Repair) {
            RepairInstalledGame(gameId);
            continue;
        }
        if (call == AwaitedDownloadCall::Uninstall) {
            QueueUninstall(gameId);
            continue;
        }
        GameDowdloadItem* row = FindDownloadRow(gameId);
        if (!row || !row->isRunning) continue;
        bool started = m_downloadModuleReady &&
                       (call == AwaitedDownloadCall::Download ? StartDownloadGame(gameId) : StartUpdateGame(gameId));
        if (!started) ShowRowRunning(row, false);
    }
}

void CMainWnd::CallDownloadLibrary(const wchar_t* name, std::function<void()> call) {
    if (!m_downloadModuleReady) {
        LOG_DEBUG(L"%s not made: the download library is not up", name);
        return;
    }
    m_downloadLibrary.Queue(name, std::move(call));
}

void CMainWnd::ShutdownDownloadModule() {
    StopProgressThread();
    m_downloadModuleReady = false;
    // Last, behind every call handed over before: DownUninit, when the library came up.
    std::shared_ptr<bool> up = m_downloadLibraryUp;
    m_downloadLibrary.Queue(L"DownUninit", [up] {
        if (!*up) return;
        *up = false;
        DownUninit();
    });
    m_downloadLibrary.Finish(kLibraryFinishWaitMs);
}

DWORD CMainWnd::NormalSpeedLimit() const { return m_settings.SpeedLimitBytes(); }

std::string CMainWnd::GameFolder(int gameId) const { return GameFolderPath(m_settings.gameDisk, gameId); }

bool CMainWnd::StartDownloadGame(int gameId) {
    if (!InitDownloadModule()) return WaitForDownloadModule(gameId, AwaitedDownloadCall::Download);
    std::string folder = GameFolder(gameId);
    const GameDowdloadItem* row = FindDownloadRow(gameId);
    if (!RecordDownloadStart(LocalDB(), gameId, folder, row ? row->gameName : std::wstring())) return false;
    LOG_DEBUG(L"Download game=%d, path=%s", gameId, AnsiToUnicode(folder.c_str()).c_str());
    CreateDownloadTask(gameId, folder);
    return true;
}

bool CMainWnd::StartUpdateGame(int gameId) {
    if (!InitDownloadModule()) return WaitForDownloadModule(gameId, AwaitedDownloadCall::Update);
    std::string path;
    if (!LocalDB().GetGamePath(gameId, path)) {
        LOG_ERROR(L"Update game=%d failed, not find game in local", gameId);
        return false;
    }
    if (path.empty()) {
        LOG_ERROR(L"Update game=%d failed, folder path is null", gameId);
        return false;
    }
    LocalDB().SetGameStatus(gameId, kStatusUpdating);
    LOG_DEBUG(L"Update game, path=%s", AnsiToUnicode(path.c_str()).c_str());
    CreateDownloadTask(gameId, path);
    return true;
}

void CMainWnd::CreateDownloadTask(int gameId, const std::string& folder) {
    InitProgressTask(gameId);  // without a slot the task runs, only its progress is not shown
    CallDownloadLibrary(L"CreateTask", [gameId, folder] { CreateTask(static_cast<uint32_t>(gameId), folder.c_str()); });
    if (m_progressTimerStarted) return;
    SetTimer(m_hWnd, kTimerDownloadProgress, 1000, nullptr);
    m_progressTimerStarted = true;
    StartProgressThread();
}

// --- Requests of the page and the update check

void CMainWnd::HandleMsgJsDownloadGame(const PageDownloadRequest& request) {
    int gameId = request.gameId;
    GameDowdloadItem* row = FindDownloadRow(gameId);
    if (row && row->isRunning) {
        LOG_WARNING(L"CMainWnd WM_ON_JS_DOWNLOAD_GAME game=%d is downloading", gameId);
        return;
    }
    // An installed game is never downloaded anew: its row stays complete, and
    // the page hears what isGameIntalled would tell it. A game whose update
    // was cut off keeps its folder and version and goes on updating.
    int status = LocalDB().GetGameStatus(gameId);
    if (status == kStatusComplete) {
        LOG_INFO(L"CMainWnd WM_ON_JS_DOWNLOAD_GAME game=%d is installed", gameId);
        if (request.view) request.view->RunJs(GameIsLoadScript(true, gameId).c_str());
        return;
    }
    if (row) {
        LOG_INFO(L"CMainWnd WM_ON_JS_DOWNLOAD_GAME game=%d already in download task list", gameId);
        RestoreGameDownload(row);
        return;
    }
    if (status == kStatusUpdating) {
        LOG_INFO(L"CMainWnd WM_ON_JS_DOWNLOAD_GAME game=%d is being updated", gameId);
        HandleMsgUpdateGame(gameId);
        return;
    }
    auto fresh = std::make_unique<GameDowdloadItem>();
    fresh->gameId = gameId;
    fresh->gameName = request.gameName;
    fresh->kind = kDownloadKindDownload;
    row = CreateGameDownloadUIGroup(std::move(fresh));
    StartGameConfigInfoRequest(*row, GameConfigUse::Download);
    if (!StartDownloadGame(gameId)) ShowRowRunning(row, false);
    StartGameDownloadReport(gameId);
}

void CMainWnd::HandleMsgUpdateGame(int gameId) {
    GameDowdloadItem* row = FindDownloadRow(gameId);
    if (!row) {
        auto fresh = std::make_unique<GameDowdloadItem>();
        fresh->gameId = gameId;
        fresh->kind = kDownloadKindUpdate;
        CStringW name;
        if (LocalDB().GetGameName(gameId, name))
            fresh->gameName = name;
        else
            LOG_WARNING(L"gameId=%d get name from local db failed", gameId);
        row = CreateGameDownloadUIGroup(std::move(fresh));
    } else if (row->isRunning) {
        LOG_INFO(L"HandleMsgUpdateGame return, gameId=%d is downloading %.1f%%", gameId, row->progress / 10.0);
        return;
    } else {
        if (row->kind == kDownloadKindFinished) {
            // A finished row runs again as an update, from nothing.
            row->kind = kDownloadKindUpdate;
            row->progress = row->baseProgress = 0;
            row->totalBlocks = 0;
            if (row->progressBar) row->progressBar->SetValue(0);
            SetText(row->percentLabel, FormatPercentText(0));
        }
        if (row->pauseBtn && !row->pauseBtn->IsEnabled()) row->pauseBtn->SetEnabled(true);
        ShowRowRunning(row, true);
    }
    if (!StartUpdateGame(gameId)) ShowRowRunning(row, false);
    StartGameConfigInfoRequest(*row, GameConfigUse::Update);
}

// --- Rows

GameDowdloadItem* CMainWnd::FindDownloadRow(int gameId) const {
    for (const auto& row : m_downloadRows) {
        if (row->gameId == gameId) return row.get();
    }
    return nullptr;
}

GameDowdloadItem* CMainWnd::FindDownloadRowByControl(CControlUI* sender, CButtonUI* GameDowdloadItem::*button) const {
    for (const auto& row : m_downloadRows) {
        if (sender && row.get()->*button == sender) return row.get();
    }
    return nullptr;
}

GameInfoItem* CMainWnd::FindGameItemByHomeId(int homeId) const {
    for (GameInfoItem* entry : m_gameList.items()) {
        if (homeId != 0 && entry->jt_game_id == homeId) return entry;
    }
    return nullptr;
}

void CMainWnd::ShowRowRunning(GameDowdloadItem* row, bool running) {
    row->isRunning = running;
    SetButtonImages(row->pauseBtn, running ? kPauseImages : kStartImages);
}

void CMainWnd::PauseGameDownload(GameDowdloadItem* row) {
    if (row->progress > row->baseProgress) row->baseProgress = row->progress;
    CallDownloadLibrary(L"PauseTask", [gameId = row->gameId] { PauseTask(static_cast<uint32_t>(gameId)); });
    ShowRowRunning(row, false);
    SetText(row->remainLabel, kRowRemainZeroText);
    row->speed = 0;
    row->remainSeconds = 0;
    LocalDB().SetGameDownloadProgress(row->gameId, row->progress);
    LOG_INFO(L"CMainWnd pause game download, gameId=%d", row->gameId);
}

void CMainWnd::RestoreGameDownload(GameDowdloadItem* row) {
    LOG_INFO(L"CMainWnd restore game download, gameId=%d", row->gameId);
    // An update goes on in the game's own folder and keeps its game
    // installed; a row shows "running" only while a task runs behind it.
    bool started = row->kind == kDownloadKindUpdate ? StartUpdateGame(row->gameId) : StartDownloadGame(row->gameId);
    ShowRowRunning(row, started);
}

void CMainWnd::OnGameDownloadPauseBtnClicked(CControlUI* sender) {
    LOG_DEBUG(L"CMainWnd game download pause btn clicked");
    GameDowdloadItem* row = FindDownloadRowByControl(sender, &GameDowdloadItem::pauseBtn);
    if (!row) return;
    if (row->isRunning) {
        PauseGameDownload(row);
        UpdateUIWhenNoDownloadTask();
    } else {
        RestoreGameDownload(row);
        UpdateUIWhenAllDownloading();
    }
}

void CMainWnd::OnGameDownloadPauseAllBtnClicked() {
    LOG_DEBUG(L"CMainWnd game download %s all btn clicked", m_allDownloading ? L"pause" : L"restore");
    SwitchPauseAllState();
    for (const auto& row : m_downloadRows) {
        if (row->isRunning == m_allDownloading || row->kind == kDownloadKindFinished) continue;
        if (m_allDownloading)
            RestoreGameDownload(row.get());
        else
            PauseGameDownload(row.get());
    }
    if (!m_allDownloading) UpdateUIWhenNoDownloadTask();
}

void CMainWnd::SwitchPauseAllState() {
    m_allDownloading = !m_allDownloading;
    SetButtonImages(m_pPauseAllBtn, m_allDownloading ? kPauseAllImages : kStartAllImages);
}

void CMainWnd::UpdateUIWhenAllDownloading() {
    for (const auto& row : m_downloadRows) {
        if (!row->isRunning) {
            LOG_INFO(L"UpdateUIWhenAllDownloading gameId=%d", row->gameId);
            return;
        }
    }
    if (!m_allDownloading) SwitchPauseAllState();
    LOG_INFO(L"UpdateUIWhenAllDownloading");
}

void CMainWnd::UpdateUIWhenNoDownloadTask() {
    for (const auto& row : m_downloadRows) {
        if (row->isRunning) {
            LOG_INFO(L"UpdateUIWhenNoDownloadTask gameId=%d", row->gameId);
            return;
        }
    }
    SetText(m_pTotalSpeed, kNoSpeedText);
    SetText(m_pRemainTime, kNoRemainTimeText);
    if (m_allDownloading) SwitchPauseAllState();
    LOG_INFO(L"UpdateUIWhenNoDownloadTask");
}

void CMainWnd::RemoveDownloadRow(GameDowdloadItem* row) {
    auto owned = std::find_if(m_downloadRows.begin(), m_downloadRows.end(),
                              [row](const std::unique_ptr<GameDowdloadItem>& r) { return r.get() == row; });
    if (owned == m_downloadRows.end()) return;
    std::unique_ptr<GameDowdloadItem> taken = std::move(*owned);
    m_downloadRows.erase(owned);
    if (m_pGameDownloadBox && row->groupLayout) m_pGameDownloadBox->Remove(row->groupLayout);
    if (row->progress < kProgressDone) {
        CallDownloadLibrary(L"StopTask", StopTaskCall(row->gameId));
        LocalDB().SetGameStatus(row->gameId, kStatusRemoved);
    }
    // The slot goes with the row: nothing writes the removed task's progress any more.
    m_downloadProgress->slots.Free(row->gameId);
}

void CMainWnd::OnGameDownloadCancelAllBtnClicked() {
    LOG_DEBUG(L"CMainWnd game download cancel all btn clicked");
    if (m_downloadRows.empty()) return;
    while (!m_downloadRows.empty()) {
        GameDowdloadItem* row = m_downloadRows.front().get();
        LOG_INFO(L"Cancel game=%d download task", row->gameId);
        RemoveDownloadRow(row);
    }
    ResetDownloadPanelTexts();
}

void CMainWnd::OnGameDownloadDeleteBtnClicked(CControlUI* sender) {
    GameDowdloadItem* row = FindDownloadRowByControl(sender, &GameDowdloadItem::deleteBtn);
    if (!row) return;
    LOG_INFO(L"delete game=%d download task", row->gameId);
    RemoveDownloadRow(row);
    if (m_downloadRows.empty()) ResetDownloadPanelTexts();
}

void CMainWnd::OnGameDownloadFolderBtnClicked(CControlUI* sender) {
    GameDowdloadItem* row = FindDownloadRowByControl(sender, &GameDowdloadItem::folderBtn);
    if (!row) return;
    CStringW path;
    if (!LocalDB().GetGamePath(row->gameId, path)) {
        LOG_ERROR(L"get game path from db failed, game=%d", row->gameId);
        return;
    }
    INT_PTR rv = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"explore", path.c_str(), nullptr, nullptr, SW_SHOW));
    if (rv <= 32) LOG_ERROR(L"open game path failed, ShellExecute rv=%d, path=%s", static_cast<int>(rv), path.c_str());
}

void CMainWnd::HandleMsgGameDownloadCancel(int gameId) {
    GameDowdloadItem* row = FindDownloadRow(gameId);
    if (!row) {
        LOG_WARNING(L"on task cancel not find gameId=%d", gameId);
        return;
    }
    RemoveProgressTask(gameId);
    ShowRowRunning(row, false);
    row->speed = 0;
    row->remainSeconds = 0;
    SetText(row->remainLabel, kRowRemainZeroText);
}

// --- Repair and uninstall (the game-button menu)

void CMainWnd::RepairGame(int gameId) {
    LOG_DEBUG(L"Repair game=%d", gameId);
    if (!InitDownloadModule() && WaitForDownloadModule(gameId, AwaitedDownloadCall::Repair)) return;
    RepairInstalledGame(gameId);
}

void CMainWnd::RepairInstalledGame(int gameId) {
    std::string path;
    if (!LocalDB().GetGamePath(gameId, path)) {
        LOG_ERROR(L"Repair game=%d failed, not find game in local", gameId);
        return;
    }
    if (path.empty()) {
        LOG_ERROR(L"Repair game=%d failed, folder path is null", gameId);
        return;
    }
    CallDownloadLibrary(L"RepairTask", [gameId, path] { RepairTask(static_cast<uint32_t>(gameId), path.c_str()); });
}

void CMainWnd::StartUninstallGame(int gameId) {
    // The removal waits for the library's bring-up to end, however it went.
    if (!InitDownloadModule() && WaitForDownloadModule(gameId, AwaitedDownloadCall::Uninstall)) return;
    QueueUninstall(gameId);
}

// On the library thread, behind every library call handed over before it; it
// goes on whether the library came up or not (DeletePkg needs no server).
void CMainWnd::QueueUninstall(int gameId) {
    std::shared_ptr<CMainWndContext> context = m_context;
    m_downloadLibrary.Queue(L"UninstallGame", [context, gameId] { UninstallGame(*context, gameId); });
}

void CMainWnd::UninstallGame(CMainWndContext& context, int gameId) {
    LOG_DEBUG(L"Uninstall game=%d enter", gameId);
    std::string path;
    if (!context.LocalDB().GetGamePath(gameId, path)) {
        LOG_ERROR(L"Uninstall game=%d failed, not find game in local", gameId);
        return;
    }
    if (path.empty()) {
        LOG_ERROR(L"Uninstall game=%d failed, folder path is null", gameId);
        return;
    }
    DeletePkg(static_cast<uint32_t>(gameId), path.c_str());
    RecordUninstall(context.LocalDB(), gameId,
                    [&context, gameId] { context.Post(WM_GAME_UNINSTALLED, static_cast<WPARAM>(gameId), 0); });
    LOG_DEBUG(L"Uninstall game=%d leave", gameId);
}

void CMainWnd::HandleMsgGameUninstalled(int gameId) {
    LOG_DEBUG(L"HandleMsgGameUninstalled gameId=%d", gameId);
    if (GameInfoItem* entry = FindGameItemByHomeId(gameId)) {
        entry->installed = 0;
        RemoveGameIcon(entry);
    }
    GameDowdloadItem* row = FindDownloadRow(gameId);
    if (!row) return;
    LOG_INFO(L"delete game=%d download task", gameId);
    RemoveDownloadRow(row);
    LocalDB().SetGameStatus(gameId, kStatusRemoved);
}

// --- Closing

void CMainWnd::StopDownloadsOnClose() {
    m_downloadProgress->stop.store(true);
    if (m_downloadProgress->wake) SetEvent(m_downloadProgress->wake.get());
    for (const auto& row : m_downloadRows) {
        if (!row->isRunning) continue;
        row->isRunning = false;
        CallDownloadLibrary(L"StopTask", StopTaskCall(row->gameId));
        // The table keeps what the row reached, as a pause does.
        LocalDB().SetGameDownloadProgress(row->gameId, row->progress);
    }
}

// --- Smart speed

bool CMainWnd::IsOtherWindowFullScreen() const {
    HWND foreground = GetForegroundWindow();
    HWND desktop = GetDesktopWindow();
    if (!foreground || foreground == m_hWnd || foreground == desktop || foreground == GetShellWindow()) return false;
    RECT window = {}, screen = {};
    if (!GetWindowRect(foreground, &window) || !GetWindowRect(desktop, &screen)) return false;
    return window.left <= screen.left && window.top <= screen.top && window.right >= screen.right &&
           window.bottom >= screen.bottom;
}

void CMainWnd::CheckFullScreen() {
    bool fullScreen = IsOtherWindowFullScreen();
    if (fullScreen != m_otherWndFullScreen) OnOtherWndFullScreen(fullScreen);
}

void CMainWnd::OnOtherWndFullScreen(bool fullScreen) {
    m_otherWndFullScreen = fullScreen;
    if (fullScreen) {
        LOG_DEBUG(L"一个窗口全屏了");
        if (!m_downloadModuleReady) return;
        CallDownloadLibrary(L"SetTotalSpeedLimit", [] { SetTotalSpeedLimit(kMinimalSpeed); });
        LOG_DEBUG(L"Game download limit, smart mode, minimal speed");
        return;
    }
    LOG_DEBUG(L"一个窗口取消全屏了");
    if (!m_downloadModuleReady) return;
    DWORD limit = NormalSpeedLimit();
    CallDownloadLibrary(L"SetTotalSpeedLimit", [limit] { SetTotalSpeedLimit(limit); });
    LOG_DEBUG(L"Game download limit, smart mode, restore speed %u B/s", static_cast<unsigned>(limit));
}
