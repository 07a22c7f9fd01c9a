#include "GameDownloadRequest.h"

#include <cstring>

#include "BackendRequest.h"
#include "GlobalFunc.h"
#include "JsonDoc.h"

namespace {

constexpr int kHomeIdType = 2;

// A text member, or a number member written in decimal; false when neither.
bool ReadTextOrNumber(const cJSON* root, const char* key, std::wstring* text) {
    if (const char* value = JsonText(root, key)) {
        *text = Utf8ToUnicode(value);
        return true;
    }
    int number = 0;
    if (!JsonInt(root, key, &number)) return false;
    *text = std::to_wstring(number);
    return true;
}

bool ReadText(const cJSON* root, const char* key, std::wstring* text) {
    const char* value = JsonText(root, key);
    if (!value) return false;
    *text = Utf8ToUnicode(value);
    return true;
}

}  // namespace

std::string GameFolderPath(wchar_t gameDisk, int gameId) {
    const wchar_t disk[2] = {gameDisk, L'\0'};
    return UnicodeToAnsi(FormatString(L"%s:\\Game_%d\\", disk, gameId).c_str());
}

std::wstring GameInstallInfoUrl(int homeId) {
    return PlatformApiUrl(FormatString(L"type=gameInstallInfo&gameId=%d&idType=%d", homeId, kHomeIdType));
}

std::wstring GameUpdateUrl(const std::wstring& localVersion, int homeId) {
    return PlatformApiUrl(FormatString(L"type=gameUpdate&version=%s&gameId=%d&idType=%d",
                                       EncodeQueryValue(localVersion).c_str(), homeId, kHomeIdType));
}

std::wstring GameDownloadReportUrl(const std::wstring& reportUrl, const std::wstring& guid, int gameId) {
    return FormatString(L"%s?type=3&guid=%s&gameId=%d", reportUrl.c_str(), guid.c_str(), gameId);
}

GameInstallInfo ReadGameInstallInfo(const cJSON* root) {
    GameInstallInfo info;
    info.hasPkgId = JsonInt(root, "pkgId", &info.pkgId);
    info.hasJtGameId = JsonInt(root, "jtGameId", &info.jtGameId);
    info.hasStartExe = ReadText(root, "startExe", &info.startExe);
    info.hasGameExe = ReadText(root, "gameExe", &info.gameExe);
    info.hasVersion = ReadTextOrNumber(root, "version", &info.version);
    info.hasGamePic = ReadText(root, "gamePic", &info.gamePic);
    return info;
}

GameUpdateVerdict ReadGameUpdateAnswer(const cJSON* root, std::string* version) {
    int isUpdate = 0;
    if (!JsonInt(root, "isUpdate", &isUpdate) || isUpdate != 1) return GameUpdateVerdict::NoUpdate;
    const char* text = JsonText(root, "version");
    if (!text || !*text) return GameUpdateVerdict::MissingVersion;
    *version = text;
    return GameUpdateVerdict::NewVersion;
}

bool IsDownFileAllowed(const char* fileName) { return !fileName || !strstr(fileName, "xsd.txt"); }
