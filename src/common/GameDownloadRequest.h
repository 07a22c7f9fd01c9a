#pragma once
// What the launcher's downloads ask of and read from the back-end and the
// package download library: the game folder, the install-information and
// update-check requests and their answers, the download report, and the
// rule of the library's file filter. Pure functions; any thread.
#include <string>

#include "cJSON.h"

// The folder a game is installed in: "<disk>:\Game_<id>\" (ANSI code page).
std::string GameFolderPath(wchar_t gameDisk, int gameId);

// <API>?type=gameInstallInfo&gameId=%d&idType=2
std::wstring GameInstallInfoUrl(int homeId);
// <API>?type=gameUpdate&version=%s&gameId=%d&idType=2
std::wstring GameUpdateUrl(const std::wstring& localVersion, int homeId);
// <report URL>?type=3&guid=%s&gameId=%d
std::wstring GameDownloadReportUrl(const std::wstring& reportUrl, const std::wstring& guid, int gameId);

// What an install-information answer is stored for.
enum class GameConfigUse {
    Download,  // a new download: ids, folder, programs, version and name
    Update,    // an update: only the programs
    Refill,    // a recorded game whose answer never came, asked again at
               // start: ids and programs; its row keeps folder, name and the
               // installed version, and no picture is fetched (no row shows it)
};

// What the install-information worker needs of a download row: copies.
struct GameConfigRequest {
    int gameId = 0;           // the row's game id: GameId of the local table
    std::wstring gameName;
    std::wstring folder;      // the game folder the download was started in
    GameConfigUse use = GameConfigUse::Download;
};

// A good gameInstallInfo answer ("code" 0), read in the answer's order.
struct GameInstallInfo {
    bool hasPkgId = false;
    bool hasJtGameId = false;
    int pkgId = 0;
    int jtGameId = 0;
    bool hasStartExe = false;
    bool hasGameExe = false;
    bool hasVersion = false;
    std::wstring startExe;
    std::wstring gameExe;
    std::wstring version;  // a text, or a number written in decimal
    bool hasGamePic = false;
    std::wstring gamePic;

    // Both ids are there: the answer can be used.
    bool HasIds() const { return hasPkgId && hasJtGameId; }
    // startExe, gameExe and version are there.
    bool Complete() const { return hasStartExe && hasGameExe && hasVersion; }
};
GameInstallInfo ReadGameInstallInfo(const cJSON* root);

// A good gameUpdate answer ("code" 0).
enum class GameUpdateVerdict {
    NoUpdate,         // "isUpdate" missing or not 1
    NewVersion,       // "isUpdate" 1 and a non-empty "version" text
    MissingVersion,   // "isUpdate" 1 without one
};
GameUpdateVerdict ReadGameUpdateAnswer(const cJSON* root, std::string* version);

// FilterDownFile: false for a file whose name holds "xsd.txt" (case-sensitive).
bool IsDownFileAllowed(const char* fileName);
