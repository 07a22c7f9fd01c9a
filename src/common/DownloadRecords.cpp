#include "DownloadRecords.h"

#include "DownloadProgress.h"
#include "GlobalFunc.h"
#include "LogWriter.h"
#include "sqlite_helper.h"

namespace {

constexpr int kStatusDownloading = 1;

}  // namespace

bool RecordDownloadStart(CLocalDB& db, int gameId, const std::string& folder, const std::wstring& name) {
    std::wstring path = AnsiToUnicode(folder.c_str());
    if (db.SaveGameInfo(0, gameId, path.c_str(), L"", L"", L"", name.c_str()) &&
        db.SetGameStatus(gameId, kStatusDownloading))
        return true;
    LOG_ERROR(L"Download game=%d not started, its row is not in the local table", gameId);
    return false;
}

void RecordDownloadSuccess(CDownloadProgressSlots& slots, CLocalDB& db, int gameId, unsigned version,
                           const std::function<void()>& tellWindow) {
    bool recorded = false;
    slots.Complete(gameId, [&] { recorded = db.SetGameDownloadComplete(gameId, version); });
    if (!recorded) LOG_ERROR(L"Download game=%d complete, but no row of it in the local table", gameId);
    tellWindow();
}

void RecordUninstall(CLocalDB& db, int gameId, const std::function<void()>& tellWindow) {
    if (!db.DeleteGame(gameId)) LOG_ERROR(L"Uninstall game=%d, no row of it removed from the local table", gameId);
    tellWindow();
}
