#pragma once
// What the OrvDown tests share: a notify object that records every notice
// with its thread, the library brought up against the local download server
// for each test, the test's own part of the library's log, the server
// (port, control requests, statistics), the sample sources and folder
// comparisons.
#include "Handles.h"
#include "OrvDown.h"

#include <gtest/gtest.h>

#include <winsock2.h>  // before windows.h, as the library's handle owners need it
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace orvtest {

struct Notice {
    std::string name;
    uint32_t pkgId = 0;
    DWORD thread = 0;
    std::chrono::steady_clock::time_point when;
    VokPkgTaskInfo task = {};
    uint32_t a = 0, b = 0;  // blocks / need blocks / left blocks / ...
    uint64_t bytes = 0;
    VokPkgProgressInfo progress = {};
};

// Records every notice; answers FilterDownFile as the launcher does
// (refuses names holding "xsd.txt").
class RecordingNotify : public IVokPkgDownNotify {
public:
    void OnTaskCreateFailed(VokPkgTaskInfo* task) override;
    void OnTaskInit(VokPkgTaskInfo* task) override;
    int DoCleanForPkg(VokPkgTaskInfo* task, uint64_t needBytes) override;
    void OnBeginQueryBlock(VokPkgTaskInfo* task) override;
    void OnCalcPkgDownInfo(VokPkgTaskInfo* task, uint32_t blocks, uint64_t bytes) override;
    void OnCalcPkgDownIdxInfo(VokPkgTaskInfo* task, uint32_t needBlocks, uint32_t leftBlocks) override;
    void OnIdxOfIdxDownFinish(VokPkgTaskInfo* task) override;
    void OnIdxDownFinish(VokPkgTaskInfo* task) override;
    void OnDumpPkgDownInfo(VokPkgTaskInfo* task, VokPkgProgressInfo* progress, uint32_t value) override;
    bool FilterDownFile(const char* fileName) override;
    void OnPkgDownFinish(VokPkgTaskInfo* task, uint32_t fileCount, uint32_t blockCount, uint32_t idxSize) override;
    void OnTaskSuccess(VokPkgTaskInfo* task, uint32_t value) override;
    void OnTaskDestory(VokPkgTaskInfo* task, uint32_t value) override;
    void OnTaskCancel(VokPkgTaskInfo* task, uint32_t value1, uint32_t value2) override;

    std::vector<Notice> Of(uint32_t pkgId) const;
    std::vector<std::string> NamesOf(uint32_t pkgId) const;  // dumps left out
    int Count(const std::string& name, uint32_t pkgId) const;
    size_t Total() const;
    bool WaitFor(const std::string& name, uint32_t pkgId, DWORD timeoutMs) const;
    // The last notice of that name, or a default one.
    Notice Last(const std::string& name, uint32_t pkgId) const;
    std::vector<std::string> FilterAsked() const;
    void Clear();
    // Every later notice of that name, once recorded, keeps the library's
    // thread until Release() (at most kHoldLimit): the test looks at tasks
    // that stand there.
    void HoldAt(const std::string& name);
    void Release();
    static constexpr std::chrono::seconds kHoldLimit{60};

private:
    void Add(Notice n);
    void AddTask(const char* name, VokPkgTaskInfo* task, uint32_t a = 0, uint32_t b = 0, uint64_t bytes = 0);

    mutable std::mutex lock_;
    std::condition_variable released_;
    std::string holdAt_;  // under lock_
    std::vector<Notice> notices_;
    std::vector<std::string> filterAsked_;
};

// The server started by the "pkgserver" fixture.
int ServerPort();
std::wstring StateDir();
std::wstring SourceDir(const std::string& name);
// A control request; the body of the answer ("" on failure).
std::string Control(const std::string& pathAndQuery);
bool SetFault(uint32_t pkgId, const std::string& kind, int count = 1, const std::string& extra = "");
// A number of /control/stats (data_bytes, data_requests, index_requests); -1 on failure.
long long Stat(uint32_t pkgId, const std::string& key);
void ResetStats(uint32_t pkgId);

// Narrow folder path with a trailing backslash, as the launcher passes it.
std::string FolderArg(const std::wstring& folder);

// Every file under dir, relative, '\' separated, sorted.
std::vector<std::wstring> ListFiles(const std::wstring& dir);
// Empty when target holds every file of source (but skipped ones) with equal bytes; else what differs.
std::string CompareTrees(const std::wstring& source, const std::wstring& target, const std::wstring& skipPart = L"xsd.txt");
// Bytes of the blocks of target that differ from source (sizes of the source's blocks).
uint64_t WrongBlockBytes(const std::wstring& source, const std::wstring& target);

bool ThreadAlive(DWORD threadId);
int ThreadCountOfProcess();
// The memory this process has committed for itself (its private bytes).
uint64_t PrivateBytes();
// A socket listening on a free port of 127.0.0.1, its port in *port; none
// on failure. Winsock must be started.
orvdown::UniqueSocket ListenOnLoopback(unsigned short* port);

// The lines of the library's log that this process wrote after Mark(). The
// log file is shared by every run and every test program; lines of earlier
// runs, of other programs and of earlier tests of this one are left out.
class OrvLogWindow {
public:
    void Mark();
    std::string Text() const;

private:
    std::string since_;  // time stamp of the mark, in the log's own form
};

// The seconds a call took.
template <typename Call>
double SecondsOf(Call call) {
    auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A test of the library: DownInit and ConnectSSS to the local server (no
// speed limit) before it, DownUninit after it, and its own log.
class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Log() const { return log_.Text(); }
    std::wstring Game(const std::wstring& name) const;

    RecordingNotify notify_;
    OrvLogWindow log_;
    DWORD testThread_ = 0;
};

}  // namespace orvtest
