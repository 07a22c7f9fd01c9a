// The back-end requests of a login: the account's game list and its head
// image. They run on workers with value copies and report by posting; the
// window thread merges what they found.
#include "MainWnd.h"

#include <vector>

#include "AccountPaths.h"
#include "BackendRequest.h"
#include "GlobalFunc.h"
#include "LogWriter.h"
#include "MainWndMessages.h"

namespace {

constexpr int kConnectTimeoutSeconds = 15;

bool IsFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DownloadToFile(CWinHttp& http, const std::wstring& url, const std::wstring& path,
                    HttpDownloadCallback onProgress) {
    std::vector<wchar_t> buffer(url.begin(), url.end());
    buffer.push_back(L'\0');
    return http.HttpDownload(buffer.data(), path.c_str(), std::move(onProgress));
}

}  // namespace

void CMainWnd::StartMyGameListRequest() {
    std::wstring account = m_account;
    bool noCafeClient = m_gameList.NoCafeClient();
    m_context->StartWorker("RequestMyGameList", [account, noCafeClient](CMainWndContext& context) {
        RequestMyGameList(context, account, noCafeClient);
    });
}

void CMainWnd::RequestMyGameList(CMainWndContext& context, const std::wstring& account, bool noCafeClient) {
    LOG_DEBUG(L"CMainWnd.RequestMyGameList");
    std::wstring url = PlatformApiUrl(L"type=queryplaygame&userAccount=" + EncodeQueryValue(account));
    std::string body;
    if (!context.Http().HttpGet(url.c_str(), body, kConnectTimeoutSeconds)) {
        LOG_ERROR(L"RequestMyGameList HttpGet failed, LastError=%u", GetLastError());
        return;
    }
    LOG_INFO(L"CMainWnd.RequestMyGameList done");
    auto answer = std::make_unique<AccountGameList>(account, noCafeClient);
    CGameList& games = answer->games;
    if (!ParseGameListJsonString(body.c_str(), false, games, context.ProgramFolder() + L"log\\gamelist.txt"))
        return;
    for (const GameInfoItem* entry : games.items()) {
        std::wstring icon = FormatString(L"%sskin\\temp\\game_%d.%s", context.ProgramFolder().c_str(),
                                         games.KeyOf(*entry), entry->iconExt);
        if (!entry->iconUrl.empty() && !IsFile(icon)) DownloadToFile(context.Http(), entry->iconUrl, icon, nullptr);
    }
    context.PostOwned(WM_SHOW_GAME_LIST, std::move(answer));
}

void CMainWnd::OnServerGameList(std::unique_ptr<AccountGameList> answer) {
    if (answer && answer->account != m_account) {
        // Asked for before a logout or a switch to another account: not this user's games.
        LOG_WARNING(L"CMainWnd game list of account %s dropped: the logged-in account is now %s",
                    answer->account.c_str(), m_account.empty() ? L"none" : m_account.c_str());
        return;
    }
    CGameList* games = answer ? &answer->games : nullptr;
    if (games && games->empty()) {
        LOG_INFO(L"CMainWnd game list in server is null");
        for (const GameInfoItem* entry : m_gameList.items()) StartAddGameReport(*entry);
        return;
    }
    if (games) m_gameList.MergeGameList(*games, false, nullptr, nullptr);
    CreateAndShowGameListBySequence(false);
}

void CMainWnd::StartHeadImageDownload() {
    std::wstring url = m_headImageUrl;
    std::wstring path = HeadImagePath(m_programFolder, m_account);
    m_context->StartWorker("DownloadHeaderImage",
                           [url, path](CMainWndContext& context) { DownloadHeaderImage(context, url, path); });
}

void CMainWnd::DownloadHeaderImage(CMainWndContext& context, const std::wstring& url, const std::wstring& path) {
    LOG_DEBUG(L"CMainWnd.DownloadHeaderImage");
    auto progress = [](const HttpDownloadProgress& p) { LOG_DEBUG(L"DownloadCallback %u", static_cast<unsigned>(p.percent)); };
    if (!DownloadToFile(context.Http(), url, path, progress)) {
        LOG_ERROR(L"DownloadHeaderImage.HttpDownload failed");
        return;
    }
    context.Post(WM_UPDATE_USER_HEAD, 0, 0);
}
