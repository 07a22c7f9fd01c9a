#pragma once
// One download (or repair) of a package into a game folder. A controller
// thread fetches the index, checks the folder block by block, runs the
// download threads and sends every notice of the task; the download
// threads fetch runs of missing blocks, verify each block and write it in
// place. Created, ended and joined by the Downloader.
#include "HttpClient.h"
#include "OrvDown.h"
#include "PkgIndex.h"
#include "SpeedLimiter.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvdown {

// What the tasks share; outlives every task (not owned).
struct TaskContext {
    IVokPkgDownNotify* notify = nullptr;
    ServerAddress server;  // empty: not connected, the task fails at once
    SpeedLimiter* limiter = nullptr;
};

enum class TaskEnd { None = 0, Pause, Stop, Abort };  // Abort: no notice at all

class DownloadTask {
public:
    DownloadTask(const TaskContext& context, uint32_t pkgId, std::wstring folder);
    ~DownloadTask();
    DownloadTask(const DownloadTask&) = delete;
    DownloadTask& operator=(const DownloadTask&) = delete;

    bool Start();
    // Any thread. A later, stronger end replaces a weaker one.
    void RequestEnd(TaskEnd end);
    // Waits for every thread of the task; any thread but the task's own, and
    // from several at once.
    void Join();
    // Every notice of the task has been sent.
    bool Done() const { return done_.load(); }
    // Done, and it ended by a pause.
    bool Paused() const { return done_.load() && paused_.load(); }
    bool OnControllerThread() const { return controllerThread_.load() == ::GetCurrentThreadId(); }
    // The cancel notice of a paused task, sent on a thread of the library;
    // returns once it was sent. Only for a task that is Paused().
    void NoticeCancel();

private:
    // A stretch of consecutive blocks of one file still to fetch.
    struct BlockRun {
        size_t file = 0;
        uint32_t first = 0;
        uint32_t count = 0;
        int attempt = 0;
    };
    enum class RunResult { Done, Retry, Fatal };

    void ControllerMain();
    bool Prepare(std::wstring* error);
    bool FetchAndStoreIndex(std::wstring* error);
    void ApplyFilter();
    std::vector<std::wstring> SelectedNames() const;
    bool CheckLocalFiles(std::wstring* error);
    bool CheckFile(size_t fileIndex, uint64_t* growBytes, std::wstring* error);
    bool SizeFiles(std::wstring* error);
    bool EnsureDiskSpace(uint64_t growBytes, std::wstring* error);
    bool Download(std::wstring* error);
    void Finish(bool ok, const std::wstring& error);

    void Worker();
    bool PopRun(BlockRun* run);
    RunResult FetchRun(HttpClient* client, const BlockRun& run, std::vector<uint8_t>* buffer, uint32_t* verified);
    void AfterRun(BlockRun run, RunResult result, uint32_t verified);
    bool Receive(HttpClient* client, uint8_t* data, uint64_t length, uint64_t want, uint64_t* have,
                 std::wstring* why);
    bool WriteSound(HANDLE file, const uint8_t* data, uint64_t* written, uint64_t checked, uint32_t sound,
                    uint32_t* verified);
    void Fail(const std::wstring& why);
    void Dump();
    uint32_t CurrentSpeed();
    bool SleepUnlessStopping(std::chrono::milliseconds time);
    template <typename Call>
    void Notice(Call call);

    const TaskContext context_;
    const std::wstring folder_;  // absolute, ends in a backslash
    const std::wstring startError_;

    // --- Controller thread only.
    VokPkgTaskInfo record_ = {};
    PkgIndex index_;
    uint32_t indexBytes_ = 0;  // size of the index text; the text itself is stored, not kept
    std::vector<bool> selected_;  // per file: not refused by FilterDownFile
    std::vector<std::vector<bool>> needed_;  // per file, per block
    uint32_t totalBlocks_ = 0, taskBlocks_ = 0, localBlocks_ = 0;
    std::chrono::steady_clock::time_point downloadStart_;
    std::deque<std::pair<std::chrono::steady_clock::time_point, uint64_t>> speedSamples_;

    // --- Any thread.
    std::mutex joinLock_;
    std::thread controller_;  // under joinLock_ once started
    std::atomic<DWORD> controllerThread_{0};
    std::atomic<int> end_{static_cast<int>(TaskEnd::None)};
    std::atomic<bool> stopping_{false};  // end requested or the task failed
    std::atomic<bool> done_{false};
    std::atomic<bool> paused_{false};
    std::atomic<uint32_t> needBlocks_{0};
    std::atomic<uint64_t> needBytes_{0};
    std::atomic<uint64_t> received_{0};
    std::atomic<uint32_t> retried_{0};

    // --- Download threads, under runLock_.
    std::mutex runLock_;
    std::condition_variable runChanged_;
    std::deque<BlockRun> runs_;
    int activeWorkers_ = 0;
    std::wstring failure_;
    std::vector<std::thread> workers_;  // started and joined by the controller
};

// Helpers shared with DeletePkg.
std::wstring FullFolderPath(const std::wstring& folder);
bool CreateDirectories(const std::wstring& path);
std::string IndexPath(uint32_t pkgId);

}  // namespace orvdown
