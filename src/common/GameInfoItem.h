#pragma once
// GameInfoItem: one game of the user's list ("my games"). A plain heap record
// owned by the game list of the main window; window thread only. Workers get
// value copies of what they need (GameBtnRequest below) and never hold one.
#include <string>

class CGameButtonUI;

struct GameInfoItem {
    int id = 0;               // the back-end's list id
    int pkgid = 0;            // café client package id: the game key with a café client
    int jt_game_id = 0;       // platform (home) id: the game key without one
    int listIndex = -1;       // position in the user's order; -1 = not yet placed
    int gameType = 0;         // 1 web game, 2 single-player game, 3 client game
    wchar_t iconExt[8] = L"png";  // extension of the downloaded button image
    std::wstring gameName;
    std::wstring iconUrl;     // every '\' turned into '/'
    CGameButtonUI* gameBtn = nullptr;  // not owned (the button list owns it)
    int installed = -1;       // -1 unknown, 0 not installed, 1 installed, 2 no installation
    int openType = 0;         // "open_type" of a web game
    bool autoUpdate = true;

    // Stores url with '/' for '\' and takes the extension from the text after
    // its last '.' (see SetIconExtension); a '.' that is the first character,
    // or none, gives "jpg".
    void SetIconUrl(const std::wstring& url);
    // 1 to 7 characters of [A-Za-z0-9] are taken as they are; anything else
    // (empty, too long, a path or query character) gives "jpg".
    void SetIconExtension(const std::wstring& ext);

    // The game key: jt_game_id without a café client, pkgid with one.
    int GameKey(bool noCafeClient) const { return noCafeClient ? jt_game_id : pkgid; }
};

// idType of a game key on the back-end: 2 home id (no café client), 0 package id.
inline int GameKeyIdType(bool noCafeClient) { return noCafeClient ? 2 : 0; }

// What a worker needs to fetch and draw one game's button: copies only.
struct GameBtnRequest {
    int key = 0;
    int idType = 0;
    int pkgid = 0;
    std::wstring iconUrl;
    std::wstring iconExt;
};

// A worker's answer about one game, posted with WM_UPDATE_GAME_BTN_IMAGE
// (heap; the handler applies it to the entry with this key, if any, and
// frees it). Only the fields named by flags are meant.
struct GameBtnInfoResult {
    int key = 0;
    int flags = 0;
    int id = 0;
    bool hasId = false;
    std::wstring gameName;
    int gameType = 0;
    std::wstring iconUrl;
    bool hasIconUrl = false;
};
