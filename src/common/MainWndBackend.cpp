// The main window's requests to its web back-end and the images they lead
// to. Everything but RequestChannelInfo runs on worker threads, on value
// copies, and reports by posting to the window.
#include "MainWnd.h"

#include <Netgrab.h>

#include <vector>

#include "BackendRequest.h"
#include "CafeClient.h"
#include "GlobalFunc.h"
#include "InetHttpClient.h"
#include "JsonDoc.h"
#include "LogWriter.h"
#include "MainWndMessages.h"

namespace {

constexpr int kConnectTimeoutSeconds = 15;
// The channel list is asked for on the window thread while the window waits
// to appear: the whole request gets this long, then the window starts with
// no channels, as for a failed request.
constexpr DWORD kChannelListDeadlineMs = 15000;
constexpr DWORD kUrlChars = 520;

bool BeginsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    size_t n = wcslen(prefix);
    return text.size() >= n && _wcsnicmp(text.c_str(), prefix, n) == 0;
}

// The answer as wide text for the "json=%s" of the log lines.
std::wstring AnswerText(const std::string& body) { return Utf8ToUnicode(body.c_str()); }

int DownloadOverHttps(const std::wstring& url, const std::wstring& target) {
    HttpsDownloadOptions options;
    options.timeoutSeconds = 5;
    int result = HttpsDownloadFile(WStringToString(url), WStringToString(target), options);
    if (result == kNetgrabTimeout || result == kNetgrabTlsConnect) {
        options.timeoutSeconds = 10;
        result = HttpsDownloadFile(WStringToString(url), WStringToString(target), options);
    }
    return result;
}

}  // namespace

void CMainWnd::RequestChannelInfo() {
    LOG_DEBUG(L"CMainWnd.RequestChannelInfo");
    wchar_t url[kUrlChars] = {};
    GetPrivateProfileStringW(L"main", L"Domain_url", L"", url, _countof(url), (m_programFolder + L"qxtarrow.ini").c_str());
    std::string body;
    if (!m_context->Http().HttpGetWithDeadline(url, body, kChannelListDeadlineMs)) return;
    LOG_INFO(L"CMainWnd.RequestChannelInfo done");
    std::vector<ChannelIconRequest> icons;
    ParseChannelInfoJsonString(body.c_str(), &m_channels, &icons);
    StartChannelIconDownloads(icons);
}

void CMainWnd::StartChannelIconDownloads(const std::vector<ChannelIconRequest>& icons) {
    for (const ChannelIconRequest& icon : icons) {
        m_context->StartWorker("DownloadChannelImage",
                               [icon](CMainWndContext& context) { DownloadChannelImage(context, icon); });
    }
}

void CMainWnd::DownloadChannelImage(CMainWndContext& context, const ChannelIconRequest& icon) {
    LOG_DEBUG(L"CMainWnd.DownloadChannelImage");
    std::wstring target = GetChannelIconPath(context.ProgramFolder(), icon.index, icon.checked);
    std::wstring url = icon.url;
    int result = BeginsWithNoCase(url, L"https")
                     ? DownloadOverHttps(url, target)
                     : HttpDownloadToFile(url.c_str(), target.c_str(), nullptr, nullptr, false);
    if (result != 0 && url.find(L"://") == std::wstring::npos) {
        url = (url.compare(0, 2, L"//") == 0 ? L"http:" : L"http://") + url;
        result = HttpDownloadToFile(url.c_str(), target.c_str(), nullptr, nullptr, false);
    }
    if (result != 0) {
        DeleteFileW(target.c_str());
        LOG_ERROR(L"DownloadChannelImage.HttpsDownload failed, error=%u", GetLastError());
        return;
    }
    context.Post(WM_UPDATE_CHANNEL_ICON, 0, 0);
}

void CMainWnd::StartGameBtnInfoRequest(const GameInfoItem& entry, int flags) {
    GameBtnRequest request = MakeGameBtnRequest(entry);
    m_context->StartWorker("RequestGameBtnInfo", [request, flags](CMainWndContext& context) {
        RequestGameBtnInfo(context, request, flags);
    });
}

void CMainWnd::StartGameBtnImageDownload(const GameInfoItem& entry) {
    GameBtnRequest request = MakeGameBtnRequest(entry);
    m_context->StartWorker("DownloadGameBtnImage",
                           [request](CMainWndContext& context) { DownloadGameBtnImage(context, request); });
}

void CMainWnd::StartAddGameReport(const GameInfoItem& entry) {
    GameBtnRequest request = MakeGameBtnRequest(entry);
    std::wstring account = m_account;
    m_context->StartWorker("ReportAddMyGame",
                           [request, account](CMainWndContext& context) { ReportAddMyGame(context, request, account); });
}

void CMainWnd::RequestGameBtnInfo(CMainWndContext& context, const GameBtnRequest& request, int flags) {
    LOG_DEBUG(L"CMainWnd.RequestGameBtnInfo bitFlag=%d", flags);
    std::wstring url = PlatformApiUrl(
        FormatString(L"type=gameinfobygameid&gameId=%u&idType=%d", static_cast<unsigned>(request.key), request.idType));
    std::string body;
    if (!context.Http().HttpGet(url.c_str(), body, kConnectTimeoutSeconds)) {
        LOG_ERROR(L"RequestGameBtnInfo HttpGet failed");
        return;
    }
    JsonDoc root = ParseJson(body.c_str());
    if (!root) {
        LOG_ERROR(L"RequestGameBtnInfo(pkgid=%d) cJSON_Parse failed, json=%s", request.pkgid, AnswerText(body).c_str());
        return;
    }
    if (!JsonCodeIsZero(root.get())) {
        LOG_ERROR(L"RequestGameBtnInfo(pkgid=%d) code != 0, json=%s", request.pkgid, AnswerText(body).c_str());
        return;
    }
    auto info = std::make_unique<GameBtnInfoResult>();
    info->key = request.key;
    if (!JsonInt(root.get(), "id", &info->id)) return;
    info->hasId = true;
    LOG_DEBUG(L"id = %d", info->id);
    const char* name = JsonText(root.get(), "game_name");
    if ((flags & kGameBtnNameChanged) && name && *name) {
        info->gameName = Utf8ToUnicode(name);
        info->flags |= kGameBtnNameChanged;
        LOG_DEBUG(L"game_name = %s", info->gameName.c_str());
    }
    if ((flags & kGameBtnTypeChanged) && JsonInt(root.get(), "game_type", &info->gameType)) {
        info->flags |= kGameBtnTypeChanged;
        LOG_DEBUG(L"game_type = %d", info->gameType);
    }
    int infoFlags = info->flags;
    context.PostOwned(WM_UPDATE_GAME_BTN_IMAGE, std::move(info), infoFlags);
    if (!(flags & kGameBtnIconChanged)) return;
    const char* iconUrl = JsonText(root.get(), "game_icon_url");
    if (!iconUrl) {
        LOG_ERROR(L"RequestGameBtnInfo icon_url is null, json=%s", AnswerText(body).c_str());
        return;
    }
    GameInfoItem icon;
    icon.SetIconUrl(Utf8ToUnicode(iconUrl));
    LOG_DEBUG(L"game_icon_url = %s", icon.iconUrl.c_str());
    GameBtnRequest download = request;
    download.iconUrl = icon.iconUrl;
    download.iconExt = icon.iconExt;
    DownloadGameBtnImage(context, download);
}

bool CMainWnd::DownloadGameBtnImage(CMainWndContext& context, const GameBtnRequest& request) {
    LOG_INFO(L"DownloadGameBtnImage URL=%s", request.iconUrl.c_str());
    std::wstring path = FormatString(L"%sskin\\temp\\game_%d.%s", context.ProgramFolder().c_str(), request.key,
                                     request.iconExt.c_str());
    std::vector<wchar_t> url(request.iconUrl.begin(), request.iconUrl.end());
    url.push_back(L'\0');
    if (!context.Http().HttpDownload(url.data(), path.c_str(), nullptr)) {
        LOG_ERROR(L"HttpDownload failed");
        return false;
    }
    auto result = std::make_unique<GameBtnInfoResult>();
    result->key = request.key;
    result->flags = kGameBtnIconChanged;
    result->iconUrl = request.iconUrl;
    result->hasIconUrl = true;
    context.PostOwned(WM_UPDATE_GAME_BTN_IMAGE, std::move(result), kGameBtnIconChanged);
    return true;
}

void CMainWnd::ReportAddMyGame(CMainWndContext& context, const GameBtnRequest& request, const std::wstring& account) {
    if (account.empty()) {
        LOG_INFO(L"Report add game do nothing, account is null");
        return;
    }
    std::wstring url = PlatformApiUrl(FormatString(L"type=addplaygame&gameId=%d&userAccount=%s&idType=%d", request.key,
                                                   EncodeQueryValue(account).c_str(), request.idType));
    std::string body;
    if (context.Http().HttpGet(url.c_str(), body, kConnectTimeoutSeconds))
        LOG_INFO(L"Report add game done, gameId=%d", request.key);
    else
        LOG_ERROR(L"Report add game, HttpGet failed");
}

void CMainWnd::ReportGameListOrderChanged(const std::vector<GameInfoItem*>& changed) {
    if (m_account.empty()) {
        LOG_INFO(L"ReportGameListOrderChanged do nothing, user not login");
        return;
    }
    if (changed.empty()) return;
    std::wstring items =
        FormatGameOrderItems(std::vector<const GameInfoItem*>(changed.begin(), changed.end()), m_gameList.NoCafeClient());
    if (items.size() >= kLongOrderText)
        LOG_DEBUG(L"Report Game btn changed list: text len = %d", static_cast<int>(items.size()));
    else
        LOG_DEBUG(L"Report Game btn changed list: %s", items.c_str());
    StartOrderReport(items);
}

void CMainWnd::StartOrderReport(const std::wstring& items) {
    std::wstring account = m_account;
    m_context->StartWorker("DoReportGameListOrderChanged", [account, items](CMainWndContext& context) {
        DoReportGameListOrderChanged(context, account, items);
    });
}

void CMainWnd::DoReportGameListOrderChanged(CMainWndContext& context, const std::wstring& account,
                                            const std::wstring& items) {
    std::string body = UnicodeToAnsi(GameOrderReportBody(account, items).c_str());
    std::string response;
    if (context.Http().HttpPost(body, response))
        LOG_DEBUG(L"report game list done: %s", GameOrderItemsForLog(items).c_str());
    else
        LOG_ERROR(L"Failed to report game list, %s", GameOrderItemsForLog(items).c_str());
}

void CMainWnd::DoReportQXTarrow() {
    std::wstring reportUrl = m_settings.reportUrl;
    std::wstring installUrl = m_settings.installReportUrl;
    std::wstring guid = m_runGuid;
    m_context->StartWorker("DoReportQXTarrow", [reportUrl, installUrl, guid](CMainWndContext& context) {
        ReportQXTarrow(context, reportUrl, installUrl, guid);
    });
}

void CMainWnd::ReportQXTarrow(CMainWndContext& context, const std::wstring& reportUrl, const std::wstring& installUrl, const std::wstring& guid) {
    std::wstring version;
    GetFileVersion(version);
    unsigned int ip = 0, mask = 0, gateway = 0;
    unsigned char mac[8] = {};
    GetLocalAdapterInfo(&ip, &mask, &gateway, mac);
    std::wstring ipText = IpToString(ip);
    std::wstring macText = GetMacAddress();
    int cafe = GetCafeClientPath().empty() ? 2 : 1;
    CWinHttp& http = context.Http();
    std::string body;
    std::wstring url = StartupReportUrl(reportUrl, ipText, macText, version, cafe);
    if (http.HttpGet(url.c_str(), body, kConnectTimeoutSeconds))
        LOG_DEBUG(L"report qxtarrow, data:IP=%s, Mac=%s, VerSion=%s", ipText.c_str(), macText.c_str(), version.c_str());
    else
        LOG_ERROR(L"Failed to report qxtarrow, url=%s", url.c_str());
    url = InstallReportUrl(installUrl, ipText, macText, version, guid, cafe);
    if (http.HttpGet(url.c_str(), body, kConnectTimeoutSeconds))
        LOG_DEBUG(L"report qxtarrow_install, data:IP=%s, Mac=%s, VerSion=%s, Guid=%s, bar=%d, type=%d", ipText.c_str(),
                  macText.c_str(), version.c_str(), guid.c_str(), cafe, 1);
    else
        LOG_ERROR(L"Failed to report qxtarrow_install, url=%s", url.c_str());
}

void CMainWnd::StartGameRunTimeReport(int seconds) {
    std::wstring account = m_account;
    int gameId = m_watchedGameId;
    int idType = GameKeyIdType(m_noCafeClient != 0);
    m_context->StartWorker("ReportGameRunTime", [account, gameId, idType, seconds](CMainWndContext& context) {
        ReportGameRunTime(context, account, gameId, idType, seconds);
    });
}

void CMainWnd::ReportGameRunTime(CMainWndContext& context, const std::wstring& account, int gameId, int idType,
                                 int seconds) {
    std::wstring url = PlatformApiUrl(FormatString(L"type=gameRunTime&userId=%s&gameId=%d&idType=%d&runTime=%d",
                                                   EncodeQueryValue(account).c_str(), gameId, idType, seconds));
    std::string body;
    if (context.Http().HttpGet(url.c_str(), body, kConnectTimeoutSeconds))
        LOG_DEBUG(L"report game=%d runtime %u s done", gameId, static_cast<unsigned>(seconds));
    else
        LOG_ERROR(L"Failed to report game=%d runtime %u s", gameId, static_cast<unsigned>(seconds));
}
