#pragma once
// What the launcher's downloads write to a game's row of the local table at
// the steps where a lost or late write would show an installed game as not
// installed: the start of a download, the library's success and the end of
// an uninstall. The table is written before the window hears of a step, so
// whatever the window then asks of the table finds the new state.
//
// Threads: each function names its caller's thread; CLocalDB serialises the
// writes.
#include <functional>
#include <string>

class CLocalDB;
class CDownloadProgressSlots;

// Window thread, before the library gets the download task: the game's row
// holds its id, folder and name (a new row is inserted) and Status 1, so the
// success of the task always finds it. False, with an Error line, when the
// row could not be written: the task must not start, its end could not be
// recorded.
bool RecordDownloadStart(CLocalDB& db, int gameId, const std::string& folder, const std::wstring& name);

// The library's thread of the success notice: the game's progress slot shows
// the whole package, the row gets Download 1000, the package version and
// Status 0, then tellWindow runs (it posts the success message). A success
// that finds no row is logged at Error; the window still hears of it.
void RecordDownloadSuccess(CDownloadProgressSlots& slots, CLocalDB& db, int gameId, unsigned version,
                           const std::function<void()>& tellWindow);

// The uninstall worker, once the package is gone: the game's row goes, then
// tellWindow runs (it posts the uninstall message).
void RecordUninstall(CLocalDB& db, int gameId, const std::function<void()>& tellWindow);
