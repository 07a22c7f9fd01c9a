#pragma once
// GameDowdloadItem: one task row of the main window's download panel - the
// game, its task's state and progress, and the row's controls. A plain heap
// record owned by the window's row list; window thread only. Workers get
// value copies (game id, name), never the record.
#include <UIlib.h>

#include <cstdint>
#include <string>

enum GameDownloadKind : int {
    kDownloadKindFinished = 0,
    kDownloadKindDownload = 1,
    kDownloadKindUpdate = 2,
};

struct GameDowdloadItem {
    // Controls (owned by the row's group in "game_download_box").
    DuiLib::CHorizontalLayoutUI* groupLayout = nullptr;
    DuiLib::CLabelUI* picLabel = nullptr;
    DuiLib::CProgressUI* progressBar = nullptr;
    DuiLib::CLabelUI* nameLabel = nullptr;     // "text_game_name": name and size
    DuiLib::CLabelUI* percentLabel = nullptr;  // first "text_progress"
    DuiLib::CLabelUI* remainLabel = nullptr;   // second "text_progress": amount and time left
    DuiLib::CButtonUI* folderBtn = nullptr;
    DuiLib::CButtonUI* deleteBtn = nullptr;
    DuiLib::CButtonUI* pauseBtn = nullptr;

    bool isRunning = true;
    int gameId = 0;             // also the library's task key (its pkgId)
    std::wstring gameName;
    int baseProgress = 0;       // per mille reached when the task was last paused
    int progress = 0;           // per mille, 0..1000
    int totalMB = 0;
    uint32_t totalBlocks = 0;   // blocks of the current library task
    uint32_t speed = 0;         // bytes per second
    uint32_t remainSeconds = 0;
    int kind = kDownloadKindDownload;
};

// What the library tells of a task's package once its size is known, posted
// with WM_GAME_DOWNLOAD_PROGRESS (heap; the handler frees it).
struct GamePackageInfo {
    uint32_t blocks = 0;   // blocks this task fetches
    uint32_t kb = 0;       // bytes this task fetches / 1024
    uint32_t version = 0;  // package version
    uint32_t totalKB = 0;  // package size
};

// How the bring-up of the package download library went (DownInit, then
// ConnectSSS), posted with WM_DOWNLOAD_MODULE_CONNECTED by the thread that
// made the calls.
struct DownloadModuleOutcome {
    bool initialised = false;  // DownInit answered true
    bool connected = false;    // ConnectSSS answered true (after DownInit did)
};
