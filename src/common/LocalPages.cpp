#include "LocalPages.h"

#include "DeploymentHosts.h"
#include "GlobalFunc.h"

std::wstring FolderUrlForm(const std::wstring& folder) {
    std::wstring url = folder;
    for (wchar_t& c : url) {
        if (c == L'\\') c = L'/';
    }
    return url;
}

std::wstring LocalPageUrl(const std::wstring& folderUrl, const std::wstring& page) {
    return L"file:///" + folderUrl + L"html/" + page;
}

std::wstring GameTypePageUrl(const std::wstring& folderUrl, int gameType, const wchar_t* kind) {
    static const wchar_t* const kTypeFolders[] = {L"web", L"dj", L"client"};
    if (gameType < 1 || gameType > 3) return std::wstring();
    return LocalPageUrl(folderUrl, std::wstring(kind) + L"/" + kTypeFolders[gameType - 1] + L"/index.html");
}

std::wstring PlatformPageUrl(const wchar_t* pageName) {
    std::string utf8;
    UnicodeToUtf8(pageName, utf8);
    return GetDeploymentUrl(DeploymentSite::Web) + L"/html/" + StringToWString(UrlEncode(utf8));
}
