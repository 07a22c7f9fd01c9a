#pragma once
// The download panel's progress: the ten progress slots that the package
// download library's callbacks feed, the per-mille maths of the panel
// refresh and the panel's texts.
//
// Threads: the slots are shared by the window thread (take, free, refresh),
// the library's callback threads (feed, complete) and the progress-to-table
// thread (store). Every value is one 32-bit atomic word; the slots never
// move. The texts and the maths are pure functions (any thread).
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "UniqueHandle.h"

// Bytes of one block of a package, as the remaining-time estimate counts them.
constexpr uint32_t kPackageBlockBytes = 32768;
// Progress is kept in per mille; 1000 = the package is in place.
constexpr int kProgressDone = 1000;
// Every text of the panel fits in a buffer of this many characters (with its
// terminator); longer texts are cut.
constexpr size_t kPanelTextChars = 32;

struct DownloadProgressSlot {
    std::atomic<int32_t> gameId{0};       // 0 = free
    std::atomic<uint32_t> needBlocks{0};  // blocks the task still has to fetch
    std::atomic<uint32_t> speed{0};       // bytes per second
    std::atomic<int32_t> progress{0};     // per mille, written back by the panel refresh
};

class CDownloadProgressSlots {
public:
    static constexpr int kCount = 10;

    // --- Window thread
    // The slot the game already holds (its blocks and speed cleared, so a
    // resumed task shows nothing stale), else the first free one. False when
    // every slot belongs to another game.
    bool Take(int gameId);
    // Clears the game's slot; false when it holds none.
    bool Free(int gameId);
    // The game's slot; null when it holds none (game id 0 holds none).
    DownloadProgressSlot* Find(int gameId);
    // The progress the panel refresh worked out for the game's slot. A slot
    // that Complete set to the whole package keeps it: the refresh may have
    // read the blocks before the success came. Never waits.
    void StoreProgress(int gameId, int progress);

    // --- Library callback threads
    // The task's blocks still needed and its speed; ignored without a slot.
    void Feed(int gameId, uint32_t needBlocks, uint32_t speed);
    // The task succeeded: its slot (if any) shows the whole package, then
    // writeTable runs, so the table never gets an older progress afterwards.
    void Complete(int gameId, const std::function<void()>& writeTable);

    // --- Progress-to-table thread
    // store(gameId, progress) for every taken slot with a progress other than
    // 0, in slot order; stops early once stop is set after a store.
    void StoreEach(const std::function<void(int gameId, int progress)>& store, const std::atomic<bool>& stop);

private:
    std::array<DownloadProgressSlot, kCount> slots_;
    // Held while a slot's progress goes to the table (progress thread) and
    // while a success is written (callback thread); never by the window
    // thread, which must not wait for the table.
    std::mutex storeLock_;
};

// What the progress-to-table thread shares with the window. Both hold it, so
// it outlives whichever ends last.
struct DownloadProgressState {
    CDownloadProgressSlots slots;
    std::atomic<bool> stop{false};
    UniqueHandle wake;  // manual-reset event: set when the thread is to leave
};

// Progress of a task in per mille: the part reached before the task began
// (baseProgress) plus the part of the rest that its fetched blocks make.
// 64-bit maths, clamped to 0..1000; totalBlocks 0 gives baseProgress.
int ComputeDownloadProgress(int baseProgress, uint32_t needBlocks, uint32_t totalBlocks);
// Seconds left at this speed (0: as if 1 B/s); at least 1 while blocks are
// needed, at most 0xFFFFFFFF.
uint32_t ComputeRemainSeconds(uint32_t needBlocks, uint32_t bytesPerSecond);

// The sums the panel shows over its rows.
struct DownloadPanelTotals {
    int64_t totalMB = 0;
    int64_t leftMB = 0;
    uint64_t speedSum = 0;
    uint32_t longestSeconds = 0;
    bool any = false;

    void AddSize(int totalMB, int progress);
    void Add(int totalMB, int progress, uint32_t speed, uint32_t remainSeconds);
};

// Texts of the panel, each at most kPanelTextChars - 1 characters.
// Any text cut to that length, never inside a surrogate pair.
std::wstring FitPanelText(const std::wstring& text);
// "%s  %dMB", or "%s  %.2fGB" above 1024 MB; a long name is cut so the size
// still shows.
std::wstring FormatGameSizeText(const std::wstring& name, int totalMB);
// "0%" below 1 per mille, else "%.1f%%".
std::wstring FormatPercentText(int progress);
// "%.2f MB  剩余 %02d:%02d:%02d" (GB from 1024 MB on; days above 24 hours).
std::wstring FormatRemainText(int totalMB, int progress, uint32_t seconds);
// "剩余  0分0秒", "剩余 %2d分%2d秒", "剩余 %2d小时%2d分", "剩余 %2d天%2d小时".
std::wstring FormatRemainTimeText(uint32_t seconds);
// "总速度 %.1fKB/s" below 1 MiB/s, else "总速度 %.2fMB/s".
std::wstring FormatTotalSpeedText(uint64_t bytesPerSecond);
// "总%.2fG / 剩余%.2fG".
std::wstring FormatRemainSizeText(int64_t totalMB, int64_t leftMB);
// The texts of a panel without any task.
extern const wchar_t kNoRemainSizeText[];
extern const wchar_t kNoSpeedText[];
extern const wchar_t kNoRemainTimeText[];
extern const wchar_t kRowRemainZeroText[];
