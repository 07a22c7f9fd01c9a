// The main window's back-end requests around downloads: a game's install
// information and picture, the download report, and the update check of
// installed client games. The requests run on workers, on value copies, and
// report by posting to the window.
#include "MainWnd.h"

#include <vector>

#include "GlobalFunc.h"
#include "JsonDoc.h"
#include "LogWriter.h"
#include "MainWndMessages.h"

namespace {

constexpr int kConnectTimeoutSeconds = 15;

std::wstring AnswerText(const std::string& body) { return Utf8ToUnicode(body.c_str()); }

// The folder, name and installed version of a refilled row are what the
// table already holds: empty values leave them.
void StoreGameInstallInfo(CLocalDB& db, const GameConfigRequest& request, const GameInstallInfo& info) {
    int gameId = request.gameId;
    if (request.use == GameConfigUse::Update) {
        db.SetGameExe(gameId, info.startExe.c_str(), info.gameExe.c_str());
        return;
    }
    const wchar_t* version = request.use == GameConfigUse::Refill ? L"" : info.version.c_str();
    db.SaveGameInfo(info.pkgId, gameId, request.folder.c_str(), info.startExe.c_str(), info.gameExe.c_str(), version,
                    request.gameName.c_str());
}

}  // namespace

// --- Install information of a download row

void CMainWnd::StartGameConfigInfoRequest(const GameDowdloadItem& row, GameConfigUse use) {
    GameConfigRequest request;
    request.gameId = row.gameId;
    request.gameName = row.gameName;
    request.folder = AnsiToUnicode(GameFolder(row.gameId).c_str());
    request.use = use;
    m_context->StartWorker("RequestGameConfigInfo",
                           [request](CMainWndContext& context) { RequestGameConfigInfo(context, request); });
}

// A download whose install information never came (a silent or failing
// back-end) has a row without package id and programs: asked again at start.
void CMainWnd::StartGameConfigInfoRefill() {
    m_context->StartWorker("RequestGameConfigInfo", [](CMainWndContext& context) {
        std::vector<int> gameIds;
        context.LocalDB().GetGamesWithoutPkgId(gameIds);
        for (int gameId : gameIds) {
            GameConfigRequest request;
            request.gameId = gameId;
            request.use = GameConfigUse::Refill;
            RequestGameConfigInfo(context, request);
        }
    });
}

void CMainWnd::RequestGameConfigInfo(CMainWndContext& context, const GameConfigRequest& request) {
    int gameId = request.gameId;
    LOG_DEBUG(L"Request game config info gameId=%d", gameId);
    std::string body;
    if (!context.Http().HttpGet(GameInstallInfoUrl(gameId).c_str(), body, kConnectTimeoutSeconds)) {
        LOG_ERROR(L"Request game config info HttpGet failed");
        return;
    }
    JsonDoc root = ParseJson(body.c_str());
    if (!root) {
        LOG_ERROR(L"Request game config info(homeId=%d) cJSON_Parse failed, json=%s", gameId, AnswerText(body).c_str());
        return;
    }
    if (!JsonCodeIsZero(root.get())) {
        LOG_ERROR(L"Request game config info(homeId=%d) code != 0, json=%s", gameId, AnswerText(body).c_str());
        return;
    }
    GameInstallInfo info = ReadGameInstallInfo(root.get());
    if (info.hasPkgId) LOG_DEBUG(L"pkgId = %d", info.pkgId);
    if (info.hasJtGameId) LOG_DEBUG(L"jtGameId = %d", info.jtGameId);
    if (info.hasStartExe) LOG_DEBUG(L"startExe = %s", info.startExe.c_str());
    if (info.hasGameExe) LOG_DEBUG(L"gameExe = %s", info.gameExe.c_str());
    if (info.hasVersion) LOG_DEBUG(L"version = %s", info.version.c_str());
    if (!info.HasIds()) {
        LOG_ERROR(L"Request game config info(homeId=%d) without pkgId or jtGameId, json=%s", gameId,
                  AnswerText(body).c_str());
        return;
    }
    if (info.jtGameId != gameId)
        LOG_WARNING(L"Request game config info(homeId=%d) jtGameId=%d differs, kept as GameId=%d", gameId,
                    info.jtGameId, gameId);
    if (!info.Complete())
        LOG_WARNING(L"Request game config info(homeId=%d) omit items, json=%s", gameId, AnswerText(body).c_str());
    StoreGameInstallInfo(context.LocalDB(), request, info);
    if (request.use == GameConfigUse::Refill) return;
    std::wstring picture = FormatString(L"%sskin\\temp\\download_%d.png", context.ProgramFolder().c_str(), gameId);
    if (!IsExistingFile(picture) && info.hasGamePic) DownloadGamePicImage(context, gameId, info.gamePic, picture);
}

void CMainWnd::DownloadGamePicImage(CMainWndContext& context, int gameId, const std::wstring& url,
                                    const std::wstring& path) {
    LOG_INFO(L"DownloadGamePicImage game=%d URL=%s", gameId, url.c_str());
    std::vector<wchar_t> target(url.begin(), url.end());
    target.push_back(L'\0');
    if (!context.Http().HttpDownload(target.data(), path.c_str(), nullptr)) {
        LOG_ERROR(L"HttpDownload failed, game=%d", gameId);
        return;
    }
    context.Post(WM_UPDATE_GAME_DOWNLOAD_PIC, static_cast<WPARAM>(gameId), 0);
}

// --- Download report

void CMainWnd::StartGameDownloadReport(int gameId) {
    std::wstring reportUrl = m_settings.reportUrl;
    std::wstring guid = m_runGuid;
    m_context->StartWorker("DoReportGameDownload", [reportUrl, guid, gameId](CMainWndContext& context) {
        DoReportGameDownload(context, reportUrl, guid, gameId);
    });
}

void CMainWnd::DoReportGameDownload(CMainWndContext& context, const std::wstring& reportUrl, const std::wstring& guid,
                                    int gameId) {
    std::string body;
    if (context.Http().HttpGet(GameDownloadReportUrl(reportUrl, guid, gameId).c_str(), body, kConnectTimeoutSeconds))
        LOG_DEBUG(L"report game(%d) download done", gameId);
    else
        LOG_ERROR(L"Failed to report game(%d) dwonload", gameId);
}

// --- Update check of installed client games

void CMainWnd::CheckGameUpdate() {
    std::vector<GameUpdateCandidate> games;
    for (const GameInfoItem* entry : m_gameList.items()) games.push_back({entry->jt_game_id, entry->pkgid, entry->gameType});
    HWND window = m_hWnd;
    std::vector<int> pending = m_gameUpdateCheck.Check(
        games, LocalDB(), IsWindow(window) != FALSE,
        [window](int homeId) { ::PostMessageW(window, WM_UPDATE_GAME, static_cast<WPARAM>(homeId), 0); });
    if (pending.empty()) return;
    m_context->StartWorker("CheckGameUpdateThread",
                           [pending](CMainWndContext& context) { CheckGameUpdateThread(context, pending); });
}

void CMainWnd::CheckGameUpdateThread(CMainWndContext& context, const std::vector<int>& homeIds) {
    LOG_DEBUG(L"CheckGameUpdateThread enter");
    CLocalDB& db = context.LocalDB();
    for (int homeId : homeIds) {
        std::string localVersion;
        db.GetGameLocalVersionById(homeId, localVersion);
        if (localVersion.empty()) {
            LOG_WARNING(L"CheckGameUpdate gameId=%d is no version, skiped", homeId);
            continue;
        }
        std::wstring url = GameUpdateUrl(AnsiToUnicode(localVersion.c_str()), homeId);
        LOG_DEBUG(L"CheckGameUpdateThread GET=%s", url.c_str());
        std::string body;
        if (!context.Http().HttpGet(url.c_str(), body, kConnectTimeoutSeconds)) {
            LOG_ERROR(L"Failed to http get: check game[%d] version", homeId);
            continue;
        }
        JsonDoc root = ParseJson(body.c_str());
        if (!root) {
            LOG_ERROR(L"Check game[%d] version failed, json=%s", homeId, AnswerText(body).c_str());
            continue;
        }
        if (!JsonCodeIsZero(root.get())) {
            LOG_ERROR(L"Check game[%d] version code != 0, json=%s", homeId, AnswerText(body).c_str());
            continue;
        }
        std::string version;
        switch (ReadGameUpdateAnswer(root.get(), &version)) {
        case GameUpdateVerdict::NoUpdate:
            LOG_DEBUG(L"Game(%d) need not update, json=%s", homeId, AnswerText(body).c_str());
            break;
        case GameUpdateVerdict::MissingVersion:
            LOG_WARNING(L"Game(%d) need update but without version, json=%s", homeId, AnswerText(body).c_str());
            break;
        case GameUpdateVerdict::NewVersion: {
            db.SetGameIdcVersion(homeId, version.c_str());
            int autoUpdate = db.GetGameAutoUpdateValue(homeId);
            LOG_DEBUG(L"Game(%d) new version = %s", homeId, Utf8ToUnicode(version.c_str()).c_str());
            if (autoUpdate == 1) context.Post(WM_UPDATE_GAME, static_cast<WPARAM>(homeId), 0);
            break;
        }
        }
    }
    LOG_DEBUG(L"CheckGameUpdateThread leave");
}
