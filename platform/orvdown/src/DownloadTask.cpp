#include "DownloadTask.h"

#include "BlockHash.h"
#include "OrvLog.h"
#include "PackageFolder.h"
#include "Text.h"

#include <algorithm>
#include <cstddef>

namespace orvdown {
namespace {

constexpr uint32_t kRunBlocks = 64;       // blocks asked for in one request
constexpr uint32_t kMaxWorkers = 4;       // download threads of one task
constexpr int kMaxAttempts = 4;           // tries of a block that makes no progress
constexpr size_t kReadChunk = 1 << 20;    // most bytes asked of the network at once
constexpr uint64_t kWriteBatch = 256 * 1024;  // sound blocks written at once
constexpr auto kDumpInterval = std::chrono::milliseconds(500);
constexpr auto kSpeedWindow = std::chrono::seconds(2);

enum TaskState : uint32_t { kStateRunning = 1, kStateDownloading = 2, kStateEnded = 3 };

uint32_t KBOf(uint64_t bytes) { return static_cast<uint32_t>((bytes + 1023) / 1024); }

std::wstring ErrorText(const wchar_t* what, const std::wstring& path, DWORD error) {
    return std::wstring(what) + L" " + path + L" failed, error=" + std::to_wstring(error);
}

}  // namespace

std::wstring FullFolderPath(const std::wstring& folder) {
    if (folder.empty()) return std::wstring();
    DWORD n = ::GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
    if (n == 0) return std::wstring();
    std::wstring full(n, L'\0');
    n = ::GetFullPathNameW(folder.c_str(), n, &full[0], nullptr);
    if (n == 0 || n >= full.size()) return std::wstring();
    full.resize(n);
    if (full.back() != L'\\') full += L'\\';
    return full;
}

bool CreateDirectories(const std::wstring& path) {
    // Skip the root: "C:\" or "\\server\share\".
    size_t start = 3;
    if (path.compare(0, 2, L"\\\\") == 0) {
        start = path.find(L'\\', 2);
        start = start == std::wstring::npos ? path.size() : path.find(L'\\', start + 1);
        if (start == std::wstring::npos) return true;
        ++start;
    }
    for (size_t pos = path.find(L'\\', start); pos != std::wstring::npos; pos = path.find(L'\\', pos + 1)) {
        std::wstring part = path.substr(0, pos);
        if (!::CreateDirectoryW(part.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return true;
}

std::string IndexPath(uint32_t pkgId) { return "/pkg/" + std::to_string(pkgId) + "/index"; }

DownloadTask::DownloadTask(const TaskContext& context, uint32_t pkgId, std::wstring folder)
    : context_(context),
      folder_(FullFolderPath(folder)),
      startError_(context.server.Empty() ? L"not connected to a download server"
                  : folder.empty() || FullFolderPath(folder).empty() ? L"no usable game folder"
                                                                     : L"") {
    record_.pkgId = pkgId;
}

DownloadTask::~DownloadTask() {
    RequestEnd(TaskEnd::Abort);
    Join();
}

bool DownloadTask::Start() {
    try {
        std::lock_guard<std::mutex> lock(joinLock_);
        controller_ = std::thread([this] {
            controllerThread_ = ::GetCurrentThreadId();
            ControllerMain();
        });
        return true;
    } catch (...) {
        ORV_ERROR(L"task pkgId=%u: no thread could be started", record_.pkgId);
        return false;
    }
}

void DownloadTask::RequestEnd(TaskEnd end) {
    int wanted = static_cast<int>(end);
    int current = end_.load();
    while (current < wanted && !end_.compare_exchange_weak(current, wanted)) {
    }
    stopping_ = true;
    std::lock_guard<std::mutex> lock(runLock_);
    runChanged_.notify_all();
}

void DownloadTask::Join() {
    std::lock_guard<std::mutex> lock(joinLock_);
    if (controller_.joinable() && !OnControllerThread()) controller_.join();
}

void DownloadTask::NoticeCancel() {
    std::thread notice([this] {
        ORV_INFO(L"task pkgId=%u stopped while paused", record_.pkgId);
        Notice([&](IVokPkgDownNotify* n) { n->OnTaskCancel(&record_, 0, 0); });
    });
    notice.join();
}

template <typename Call>
void DownloadTask::Notice(Call call) {
    if (end_.load() != static_cast<int>(TaskEnd::Abort)) call(context_.notify);
}

void DownloadTask::ControllerMain() {
    record_.state = kStateRunning;
    ORV_INFO(L"task pkgId=%u begins, folder=%s", record_.pkgId, folder_.c_str());
    Notice([&](IVokPkgDownNotify* n) { n->OnTaskInit(&record_); });
    std::wstring error;
    bool ok = false;
    try {
        ok = Prepare(&error) && Download(&error);
    } catch (...) {
        error = L"out of memory";
        Fail(error);
        for (auto& w : workers_)
            if (w.joinable()) w.join();
    }
    Finish(ok, error);
    done_ = true;
}

void DownloadTask::Finish(bool ok, const std::wstring& error) {
    record_.state = kStateEnded;
    switch (static_cast<TaskEnd>(end_.load())) {
        case TaskEnd::Abort:
            ORV_INFO(L"task pkgId=%u ended without notice", record_.pkgId);
            return;
        case TaskEnd::Stop:
            ORV_INFO(L"task pkgId=%u stopped", record_.pkgId);
            Notice([&](IVokPkgDownNotify* n) { n->OnTaskCancel(&record_, 0, 0); });
            break;
        case TaskEnd::Pause:
            ORV_INFO(L"task pkgId=%u paused, %u blocks still needed", record_.pkgId, needBlocks_.load());
            paused_ = true;
            break;
        case TaskEnd::None:
            if (ok) {
                ORV_INFO(L"task pkgId=%u complete, version=%u", record_.pkgId, record_.pkgVer);
                Notice([&](IVokPkgDownNotify* n) {
                    n->OnPkgDownFinish(&record_, static_cast<uint32_t>(index_.files.size()), totalBlocks_,
                                       indexBytes_);
                });
                Notice([&](IVokPkgDownNotify* n) { n->OnTaskSuccess(&record_, 0); });
            } else {
                ORV_ERROR(L"task pkgId=%u failed: %s", record_.pkgId, error.c_str());
                Notice([&](IVokPkgDownNotify* n) { n->OnTaskCreateFailed(&record_); });
            }
            break;
    }
    Notice([&](IVokPkgDownNotify* n) { n->OnTaskDestory(&record_, 0); });
}

bool DownloadTask::Prepare(std::wstring* error) {
    if (!startError_.empty()) {
        *error = startError_;
        return false;
    }
    if (!FetchAndStoreIndex(error)) return false;
    Notice([&](IVokPkgDownNotify* n) { n->OnIdxDownFinish(&record_); });
    Notice([&](IVokPkgDownNotify* n) { n->OnBeginQueryBlock(&record_); });
    if (!CheckLocalFiles(error)) return false;
    Notice([&](IVokPkgDownNotify* n) { n->OnCalcPkgDownIdxInfo(&record_, taskBlocks_, localBlocks_); });
    Notice([&](IVokPkgDownNotify* n) { n->OnCalcPkgDownInfo(&record_, taskBlocks_, needBytes_.load()); });
    return true;
}

// Fetches the index, applies the filter and leaves a copy of the index in
// the folder. The task keeps the parsed index and the text's size; the
// text itself (tens of MiB for a big game) goes when this returns.
bool DownloadTask::FetchAndStoreIndex(std::wstring* error) {
    std::string text;
    std::wstring why;
    if (!HttpGetAll(context_.server, IndexPath(record_.pkgId), kMaxIndexBytes, &stopping_, &text, &why)) {
        *error = L"index not fetched: " + why;
        return false;
    }
    if (!ParsePkgIndex(text, &index_, &why)) {
        *error = L"index refused: " + why;
        return false;
    }
    record_.pkgVer = index_.version;
    indexBytes_ = static_cast<uint32_t>(text.size());
    Notice([&](IVokPkgDownNotify* n) { n->OnIdxOfIdxDownFinish(&record_); });
    ApplyFilter();
    if (!CreateDirectories(folder_)) {
        *error = ErrorText(L"creating folder", folder_, ::GetLastError());
        return false;
    }
    return RecordInstalledFiles(folder_, record_.pkgId, SelectedNames(), error) &&
           StoreFile(IndexCopyPath(folder_, record_.pkgId), text, error);
}

void DownloadTask::ApplyFilter() {
    uint64_t bytes = 0;
    selected_.assign(index_.files.size(), true);
    for (size_t i = 0; i < index_.files.size(); ++i) {
        std::string name = AnsiFromWide(index_.files[i].relPath);
        Notice([&](IVokPkgDownNotify* n) { selected_[i] = n->FilterDownFile(name.c_str()); });
        if (selected_[i]) {
            bytes += index_.files[i].size;
            totalBlocks_ += static_cast<uint32_t>(index_.files[i].blocks.size());
        } else {
            ORV_INFO(L"task pkgId=%u skips file %s", record_.pkgId, index_.files[i].relPath.c_str());
        }
    }
    record_.totalKB = KBOf(bytes);
}

std::vector<std::wstring> DownloadTask::SelectedNames() const {
    std::vector<std::wstring> names;
    for (size_t i = 0; i < index_.files.size(); ++i)
        if (selected_[i]) names.push_back(index_.files[i].relPath);
    return names;
}

bool DownloadTask::CheckLocalFiles(std::wstring* error) {
    needed_.assign(index_.files.size(), std::vector<bool>());
    uint64_t growBytes = 0;
    for (size_t i = 0; i < index_.files.size(); ++i) {
        if (stopping_) {
            *error = L"ended while checking files";
            return false;
        }
        if (selected_[i] && !CheckFile(i, &growBytes, error)) return false;
    }
    localBlocks_ = totalBlocks_ - taskBlocks_;
    needBlocks_ = taskBlocks_;
    return EnsureDiskSpace(growBytes, error) && SizeFiles(error);
}

// Marks the blocks of one file that are missing or wrong.
bool DownloadTask::CheckFile(size_t fileIndex, uint64_t* growBytes, std::wstring* error) {
    const PkgFile& file = index_.files[fileIndex];
    std::wstring path = folder_ + file.relPath;
    std::vector<bool>& needed = needed_[fileIndex];
    needed.assign(file.blocks.size(), true);
    if (!CreateDirectories(path)) {
        *error = ErrorText(L"creating folders of", path, ::GetLastError());
        return false;
    }
    UniqueFile handle{::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
    LARGE_INTEGER size = {};
    if (handle && !::GetFileSizeEx(handle.get(), &size)) size.QuadPart = 0;
    uint64_t have = static_cast<uint64_t>(size.QuadPart);
    if (file.size > have) *growBytes += file.size - have;
    std::vector<uint8_t> buffer(kBlockSize);
    for (uint32_t b = 0; b < file.blocks.size(); ++b) {
        if (stopping_) {
            *error = L"ended while checking files";
            return false;
        }
        uint32_t cb = BlockBytes(file.size, b);
        DWORD got = 0;
        BlockHash hash;
        if (handle && static_cast<uint64_t>(b) * kBlockSize + cb <= have &&
            ::ReadFile(handle.get(), buffer.data(), cb, &got, nullptr) && got == cb &&
            HashBlock(buffer.data(), cb, &hash) && hash == file.blocks[b]) {
            needed[b] = false;
            continue;
        }
        ++taskBlocks_;
        needBytes_ += cb;
        if (handle) {  // keep reading in step with the block number
            LARGE_INTEGER next;
            next.QuadPart = static_cast<LONGLONG>(b + 1) * kBlockSize;
            ::SetFilePointerEx(handle.get(), next, nullptr, FILE_BEGIN);
        }
    }
    return true;
}

bool DownloadTask::EnsureDiskSpace(uint64_t growBytes, std::wstring* error) {
    ULARGE_INTEGER freeBytes = {};
    if (growBytes == 0 || !::GetDiskFreeSpaceExW(folder_.c_str(), &freeBytes, nullptr, nullptr) ||
        freeBytes.QuadPart >= growBytes)
        return true;
    ORV_WARN(L"task pkgId=%u needs %I64u bytes, disk has %I64u", record_.pkgId, growBytes, freeBytes.QuadPart);
    Notice([&](IVokPkgDownNotify* n) { n->DoCleanForPkg(&record_, growBytes); });
    if (::GetDiskFreeSpaceExW(folder_.c_str(), &freeBytes, nullptr, nullptr) && freeBytes.QuadPart < growBytes) {
        *error = L"not enough disk space";
        return false;
    }
    return true;
}

// Gives every file the size of the index before blocks are written into it.
bool DownloadTask::SizeFiles(std::wstring* error) {
    for (size_t i = 0; i < index_.files.size(); ++i) {
        if (!selected_[i]) continue;
        std::wstring path = folder_ + index_.files[i].relPath;
        UniqueFile file{::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
        LARGE_INTEGER size;
        size.QuadPart = static_cast<LONGLONG>(index_.files[i].size);
        if (!file || !::SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) || !::SetEndOfFile(file.get())) {
            *error = ErrorText(L"sizing", path, ::GetLastError());
            return false;
        }
    }
    return true;
}

bool DownloadTask::Download(std::wstring* error) {
    record_.state = kStateDownloading;
    for (size_t f = 0; f < needed_.size(); ++f) {
        for (uint32_t b = 0; b < needed_[f].size(); ++b) {
            if (!needed_[f][b]) continue;
            if (!runs_.empty() && runs_.back().file == f && runs_.back().first + runs_.back().count == b &&
                runs_.back().count < kRunBlocks)
                ++runs_.back().count;
            else
                runs_.push_back(BlockRun{f, b, 1, 0});
        }
    }
    downloadStart_ = std::chrono::steady_clock::now();
    speedSamples_.emplace_back(downloadStart_, received_.load());
    size_t workerCount = std::min<size_t>(kMaxWorkers, runs_.size());
    {
        std::unique_lock<std::mutex> lock(runLock_);
        try {
            for (size_t i = 0; i < workerCount; ++i) {
                workers_.emplace_back([this] { Worker(); });
                ++activeWorkers_;
            }
        } catch (...) {
            failure_ = L"no download thread could be started";
            stopping_ = true;
        }
        while (activeWorkers_ > 0) {
            if (!runChanged_.wait_for(lock, kDumpInterval, [this] { return activeWorkers_ == 0; })) {
                lock.unlock();
                Dump();
                lock.lock();
            }
        }
    }
    for (auto& w : workers_) w.join();
    workers_.clear();
    if (!failure_.empty()) {
        *error = failure_;
        return false;
    }
    if (end_.load() != static_cast<int>(TaskEnd::None)) {
        *error = L"ended";
        return false;
    }
    if (needBlocks_.load() != 0) {
        *error = L"blocks left unfetched";
        return false;
    }
    Dump();
    return true;
}

void DownloadTask::Worker() {
    try {
        std::vector<uint8_t> buffer(static_cast<size_t>(kRunBlocks) * kBlockSize);
        HttpClient client(context_.server, &stopping_);  // one kept-alive connection per thread
        BlockRun run;
        while (PopRun(&run)) {
            if (run.attempt > 0 && !SleepUnlessStopping(std::chrono::milliseconds(100 * run.attempt))) break;
            uint32_t verified = 0;
            RunResult result = FetchRun(&client, run, &buffer, &verified);
            if (result != RunResult::Done) client.Close();  // the rest of the answer is not wanted
            AfterRun(run, result, verified);
        }
    } catch (...) {
        Fail(L"out of memory in a download thread");
    }
    std::lock_guard<std::mutex> lock(runLock_);
    --activeWorkers_;
    runChanged_.notify_all();
}

bool DownloadTask::PopRun(BlockRun* run) {
    std::lock_guard<std::mutex> lock(runLock_);
    if (stopping_ || runs_.empty()) return false;
    *run = runs_.front();
    runs_.pop_front();
    return true;
}

bool DownloadTask::SleepUnlessStopping(std::chrono::milliseconds time) {
    std::unique_lock<std::mutex> lock(runLock_);
    return !runChanged_.wait_for(lock, time, [this] { return stopping_.load(); });
}

// Fetches one run; *verified = the blocks from its start that arrived sound
// and were written.
DownloadTask::RunResult DownloadTask::FetchRun(HttpClient* client, const BlockRun& run, std::vector<uint8_t>* buffer,
                                               uint32_t* verified) {
    const PkgFile& file = index_.files[run.file];
    uint64_t offset = static_cast<uint64_t>(run.first) * kBlockSize;
    uint64_t length = 0;
    for (uint32_t b = 0; b < run.count; ++b) length += BlockBytes(file.size, run.first + b);
    std::string url = "/pkg/" + std::to_string(record_.pkgId) + "/file/" + std::to_string(run.file);
    std::wstring range = L"bytes=" + std::to_wstring(offset) + L"-" + std::to_wstring(offset + length - 1);

    std::wstring why;
    if (!client->Get(url, true, offset, offset + length - 1, &why)) {
        if (!stopping_)
            ORV_WARN(L"task pkgId=%u: GET %S (%s) failed: %s", record_.pkgId, url.c_str(), range.c_str(), why.c_str());
        return RunResult::Retry;
    }
    if (client->Status() != 206 || client->ContentLength() != length) {
        ORV_WARN(L"task pkgId=%u: GET %S (%s) answered %u with %I64u bytes", record_.pkgId, url.c_str(), range.c_str(),
                 client->Status(), client->ContentLength());
        return RunResult::Retry;
    }
    // The run's blocks are written in order through a handle of the run's
    // own, so plain sequential writes from one seek do (a write at an
    // offset costs far more under Wine).
    std::wstring path = folder_ + file.relPath;
    UniqueFile out{::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!out || !::SetFilePointerEx(out.get(), at, nullptr, FILE_BEGIN)) {
        Fail(ErrorText(L"opening", path, ::GetLastError()));
        return RunResult::Fatal;
    }
    const uint8_t* data = buffer->data();
    uint64_t have = 0, checked = 0, written = 0;  // bytes of the run received, found sound, written
    uint32_t next = 0;                              // blocks of the run found sound
    auto writeSound = [&] {
        if (WriteSound(out.get(), data, &written, checked, next, verified)) return true;
        Fail(ErrorText(L"writing", path, ::GetLastError()));
        return false;
    };
    RunResult result = RunResult::Done;
    while (next < run.count) {
        uint32_t cb = BlockBytes(file.size, run.first + next);
        if (!Receive(client, buffer->data(), length, checked + cb, &have, &why)) {
            if (!stopping_)
                ORV_WARN(L"task pkgId=%u: answer of %S (%s) cut after %I64u bytes: %s", record_.pkgId, url.c_str(),
                         range.c_str(), have, why.c_str());
            result = RunResult::Retry;
            break;
        }
        BlockHash hash;
        if (!HashBlock(data + checked, cb, &hash) || hash != file.blocks[run.first + next]) {
            ORV_WARN(L"task pkgId=%u: block %u of %s arrived wrong", record_.pkgId, run.first + next,
                     file.relPath.c_str());
            result = RunResult::Retry;
            break;
        }
        checked += cb;
        ++next;
        if (checked - written >= kWriteBatch && !writeSound()) return RunResult::Fatal;
    }
    return writeSound() ? result : RunResult::Fatal;
}

// Writes the sound blocks received since the last write, data[*written,
// checked): the run's first `sound` blocks are then in place.
bool DownloadTask::WriteSound(HANDLE file, const uint8_t* data, uint64_t* written, uint64_t checked, uint32_t sound,
                              uint32_t* verified) {
    if (checked == *written) return true;
    DWORD cb = static_cast<DWORD>(checked - *written), done = 0;
    if (!::WriteFile(file, data + *written, cb, &done, nullptr) || done != cb) return false;
    needBlocks_ -= sound - *verified;
    needBytes_ -= cb;
    *written = checked;
    *verified = sound;
    return true;
}

// Reads the answer into data until *have reaches want (within the speed
// limit); false when the answer ends early, the server falls silent or the
// task is ending.
bool DownloadTask::Receive(HttpClient* client, uint8_t* data, uint64_t length, uint64_t want, uint64_t* have,
                           std::wstring* why) {
    while (*have < want) {
        size_t granted =
            context_.limiter->Acquire(static_cast<size_t>(std::min<uint64_t>(kReadChunk, length - *have)), stopping_);
        if (granted == 0) {
            *why = L"given up";
            return false;
        }
        size_t got = 0;
        bool readOk = client->ReadBody(data + *have, granted, &got, why);
        context_.limiter->Return(granted - got);
        if (!readOk) return false;
        *have += got;
        received_ += got;
    }
    return true;
}

// Puts back what a run left; a run that keeps failing without progress ends the task.
void DownloadTask::AfterRun(BlockRun run, RunResult result, uint32_t verified) {
    if (result != RunResult::Retry || stopping_) return;
    run.first += verified;
    run.count -= verified;
    run.attempt = verified > 0 ? 1 : run.attempt + 1;
    if (run.attempt >= kMaxAttempts) {
        Fail(L"block " + std::to_wstring(run.first) + L" of " + index_.files[run.file].relPath + L" failed " +
             std::to_wstring(kMaxAttempts) + L" times");
        return;
    }
    retried_ += run.count;
    std::lock_guard<std::mutex> lock(runLock_);
    runs_.push_front(run);
}

void DownloadTask::Fail(const std::wstring& why) {
    std::lock_guard<std::mutex> lock(runLock_);
    if (failure_.empty()) failure_ = why;
    stopping_ = true;
    runChanged_.notify_all();
}

uint32_t DownloadTask::CurrentSpeed() {
    auto now = std::chrono::steady_clock::now();
    uint64_t received = received_.load();
    speedSamples_.emplace_back(now, received);
    while (speedSamples_.size() > 2 && now - speedSamples_.front().first > kSpeedWindow) speedSamples_.pop_front();
    double seconds = std::chrono::duration<double>(now - speedSamples_.front().first).count();
    if (seconds < 0.2) return 0;
    return static_cast<uint32_t>(std::min<double>(UINT32_MAX, (received - speedSamples_.front().second) / seconds));
}

void DownloadTask::Dump() {
    VokPkgProgressInfo p = {};
    uint64_t received = received_.load(), needBytes = needBytes_.load();
    p.pkgId = record_.pkgId;
    p.totalBlocks = totalBlocks_;
    p.needBlocks = needBlocks_.load();
    p.taskBlocks = taskBlocks_;
    p.fileCount = static_cast<uint32_t>(index_.files.size());
    p.retriedBlocks = retried_.load();
    p.workerCount = static_cast<uint32_t>(workers_.size());
    p.receivedLow = static_cast<uint32_t>(received);
    p.receivedHigh = static_cast<uint32_t>(received >> 32);
    p.needBytesLow = static_cast<uint32_t>(needBytes);
    p.needBytesHigh = static_cast<uint32_t>(needBytes >> 32);
    p.totalKB = record_.totalKB;
    p.elapsedMs = static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - downloadStart_).count());
    p.speedLimit = context_.limiter->Limit();
    p.pkgVer = record_.pkgVer;
    p.localBlocks = localBlocks_;
    p.bytesPerSecond = CurrentSpeed();
    Notice([&](IVokPkgDownNotify* n) { n->OnDumpPkgDownInfo(&record_, &p, 0); });
}

static_assert(sizeof(VokPkgTaskInfo) == 4 * sizeof(uint32_t), "task record: 4 words");
static_assert(offsetof(VokPkgProgressInfo, needBlocks) == 2 * sizeof(uint32_t), "progress word 3: blocks needed");
static_assert(offsetof(VokPkgProgressInfo, bytesPerSecond) == 16 * sizeof(uint32_t), "progress word 17: speed");

}  // namespace orvdown
