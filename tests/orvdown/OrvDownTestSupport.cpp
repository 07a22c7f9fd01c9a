#include "OrvDownTestSupport.h"

#include "Handles.h"
#include "Harness.h"

#include <tlhelp32.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdlib>

namespace orvtest {

// --- RecordingNotify

void RecordingNotify::Add(Notice n) {
    n.thread = GetCurrentThreadId();
    n.when = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(lock_);
    bool hold = !holdAt_.empty() && n.name == holdAt_;
    notices_.push_back(std::move(n));
    if (hold) released_.wait_for(lock, kHoldLimit, [this] { return holdAt_.empty(); });
}

void RecordingNotify::HoldAt(const std::string& name) {
    std::lock_guard<std::mutex> lock(lock_);
    holdAt_ = name;
}

void RecordingNotify::Release() {
    std::lock_guard<std::mutex> lock(lock_);
    holdAt_.clear();
    released_.notify_all();
}

void RecordingNotify::AddTask(const char* name, VokPkgTaskInfo* task, uint32_t a, uint32_t b, uint64_t bytes) {
    Notice n;
    n.name = name;
    n.pkgId = task->pkgId;
    n.task = *task;
    n.a = a;
    n.b = b;
    n.bytes = bytes;
    Add(std::move(n));
}

void RecordingNotify::OnTaskCreateFailed(VokPkgTaskInfo* task) { AddTask("OnTaskCreateFailed", task); }
void RecordingNotify::OnTaskInit(VokPkgTaskInfo* task) { AddTask("OnTaskInit", task); }
int RecordingNotify::DoCleanForPkg(VokPkgTaskInfo* task, uint64_t needBytes) {
    AddTask("DoCleanForPkg", task, 0, 0, needBytes);
    return 1;
}
void RecordingNotify::OnBeginQueryBlock(VokPkgTaskInfo* task) { AddTask("OnBeginQueryBlock", task); }
void RecordingNotify::OnCalcPkgDownInfo(VokPkgTaskInfo* task, uint32_t blocks, uint64_t bytes) {
    AddTask("OnCalcPkgDownInfo", task, blocks, 0, bytes);
}
void RecordingNotify::OnCalcPkgDownIdxInfo(VokPkgTaskInfo* task, uint32_t needBlocks, uint32_t leftBlocks) {
    AddTask("OnCalcPkgDownIdxInfo", task, needBlocks, leftBlocks);
}
void RecordingNotify::OnIdxOfIdxDownFinish(VokPkgTaskInfo* task) { AddTask("OnIdxOfIdxDownFinish", task); }
void RecordingNotify::OnIdxDownFinish(VokPkgTaskInfo* task) { AddTask("OnIdxDownFinish", task); }
void RecordingNotify::OnDumpPkgDownInfo(VokPkgTaskInfo* task, VokPkgProgressInfo* progress, uint32_t) {
    Notice n;
    n.name = "OnDumpPkgDownInfo";
    n.pkgId = task->pkgId;
    n.task = *task;
    n.progress = *progress;
    Add(std::move(n));
}
bool RecordingNotify::FilterDownFile(const char* fileName) {
    std::lock_guard<std::mutex> lock(lock_);
    filterAsked_.push_back(fileName);
    return strstr(fileName, "xsd.txt") == nullptr;
}
void RecordingNotify::OnPkgDownFinish(VokPkgTaskInfo* task, uint32_t fileCount, uint32_t blockCount, uint32_t idxSize) {
    AddTask("OnPkgDownFinish", task, fileCount, blockCount, idxSize);
}
void RecordingNotify::OnTaskSuccess(VokPkgTaskInfo* task, uint32_t) { AddTask("OnTaskSuccess", task); }
void RecordingNotify::OnTaskDestory(VokPkgTaskInfo* task, uint32_t) { AddTask("OnTaskDestory", task); }
void RecordingNotify::OnTaskCancel(VokPkgTaskInfo* task, uint32_t, uint32_t) { AddTask("OnTaskCancel", task); }

std::vector<Notice> RecordingNotify::Of(uint32_t pkgId) const {
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<Notice> out;
    for (const auto& n : notices_)
        if (n.pkgId == pkgId) out.push_back(n);
    return out;
}

std::vector<std::string> RecordingNotify::NamesOf(uint32_t pkgId) const {
    std::vector<std::string> names;
    for (const auto& n : Of(pkgId))
        if (n.name != "OnDumpPkgDownInfo") names.push_back(n.name);
    return names;
}

int RecordingNotify::Count(const std::string& name, uint32_t pkgId) const {
    auto all = Of(pkgId);
    return static_cast<int>(std::count_if(all.begin(), all.end(), [&](const Notice& n) { return n.name == name; }));
}

size_t RecordingNotify::Total() const {
    std::lock_guard<std::mutex> lock(lock_);
    return notices_.size();
}

bool RecordingNotify::WaitFor(const std::string& name, uint32_t pkgId, DWORD timeoutMs) const {
    return harness::WaitUntil([&] { return Count(name, pkgId) > 0; }, timeoutMs);
}

Notice RecordingNotify::Last(const std::string& name, uint32_t pkgId) const {
    Notice last;
    for (const auto& n : Of(pkgId))
        if (n.name == name) last = n;
    return last;
}

std::vector<std::string> RecordingNotify::FilterAsked() const {
    std::lock_guard<std::mutex> lock(lock_);
    return filterAsked_;
}

void RecordingNotify::Clear() {
    std::lock_guard<std::mutex> lock(lock_);
    notices_.clear();
    filterAsked_.clear();
}

// --- The download server

std::wstring StateDir() {
    std::wstring bin = harness::ProgramDir();
    return bin.substr(0, bin.rfind(L'\\')) + L"\\pkgserver";
}

std::wstring SourceDir(const std::string& name) { return StateDir() + L"\\src\\" + harness::Widen(name); }

int ServerPort() {
    static const int port = atoi(harness::ReadFileBytes(StateDir() + L"\\port").c_str());
    return port;
}

namespace {

struct InternetTraits {
    using Type = HINTERNET;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { WinHttpCloseHandle(h); }
};
using UniqueInternet = orvdown::Unique<InternetTraits>;

}  // namespace

std::string Control(const std::string& pathAndQuery) {
    std::string body;
    UniqueInternet session{WinHttpOpen(L"orvdown-tests", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0)};
    if (!session) return body;
    WinHttpSetTimeouts(session.get(), 5000, 5000, 5000, 5000);
    UniqueInternet connect{WinHttpConnect(session.get(), L"127.0.0.1", static_cast<INTERNET_PORT>(ServerPort()), 0)};
    if (!connect) return body;
    std::wstring path = harness::Widen(pathAndQuery);
    UniqueInternet request{WinHttpOpenRequest(connect.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                              WINHTTP_DEFAULT_ACCEPT_TYPES, 0)};
    if (!request ||
        !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr))
        return body;
    char chunk[4096];
    DWORD got = 0;
    while (WinHttpReadData(request.get(), chunk, sizeof(chunk), &got) && got > 0) body.append(chunk, got);
    return body;
}

bool SetFault(uint32_t pkgId, const std::string& kind, int count, const std::string& extra) {
    return Control("/control/fault?id=" + std::to_string(pkgId) + "&kind=" + kind + "&count=" + std::to_string(count) +
                   extra) == "ok\n";
}

long long Stat(uint32_t pkgId, const std::string& key) {
    std::string json = Control("/control/stats?id=" + std::to_string(pkgId));
    size_t at = json.find("\"" + key + "\": ");
    if (at == std::string::npos) return -1;
    return atoll(json.c_str() + at + key.size() + 4);
}

void ResetStats(uint32_t pkgId) { Control("/control/reset?id=" + std::to_string(pkgId)); }

std::string FolderArg(const std::wstring& folder) { return harness::Narrow(folder) + "\\"; }

// --- Folders

namespace {

struct FindTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};
struct HandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};

void ListInto(const std::wstring& root, const std::wstring& rel, std::vector<std::wstring>* out) {
    WIN32_FIND_DATAW data;
    orvdown::Unique<FindTraits> find{FindFirstFileW((root + L"\\" + rel + L"*").c_str(), &data)};
    if (!find) return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListInto(root, rel + name + L"\\", out);
        else
            out->push_back(rel + name);
    } while (FindNextFileW(find.get(), &data));
}

}  // namespace

std::vector<std::wstring> ListFiles(const std::wstring& dir) {
    std::vector<std::wstring> files;
    ListInto(dir, L"", &files);
    std::sort(files.begin(), files.end());
    return files;
}

std::string CompareTrees(const std::wstring& source, const std::wstring& target, const std::wstring& skipPart) {
    std::string diff;
    for (const auto& rel : ListFiles(source)) {
        bool skipped = !skipPart.empty() && rel.find(skipPart) != std::wstring::npos;
        bool exists = harness::FileExists(target + L"\\" + rel);
        if (skipped) {
            if (exists) diff += "skipped file written: " + harness::Narrow(rel) + "\n";
        } else if (!exists) {
            diff += "missing: " + harness::Narrow(rel) + "\n";
        } else if (harness::ReadFileBytes(source + L"\\" + rel) != harness::ReadFileBytes(target + L"\\" + rel)) {
            diff += "differs: " + harness::Narrow(rel) + "\n";
        }
    }
    return diff;
}

uint64_t WrongBlockBytes(const std::wstring& source, const std::wstring& target) {
    const size_t kBlock = 32768;
    uint64_t wrong = 0;
    for (const auto& rel : ListFiles(source)) {
        std::string want = harness::ReadFileBytes(source + L"\\" + rel);
        std::string have = harness::ReadFileBytes(target + L"\\" + rel);
        for (size_t at = 0; at < want.size(); at += kBlock) {
            size_t cb = std::min(kBlock, want.size() - at);
            if (have.size() < at + cb || want.compare(at, cb, have, at, cb) != 0) wrong += cb;
        }
    }
    return wrong;
}

bool ThreadAlive(DWORD threadId) {
    orvdown::Unique<HandleTraits> thread{OpenThread(SYNCHRONIZE, FALSE, threadId)};
    return thread && WaitForSingleObject(thread.get(), 0) == WAIT_TIMEOUT;
}

int ThreadCountOfProcess() {
    orvdown::UniqueFile snap{CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0)};
    if (!snap) return -1;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL ok = Thread32First(snap.get(), &entry); ok; ok = Thread32Next(snap.get(), &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    return count;
}

// The committed private regions of the address space, summed: Wine 8
// reports no PrivateUsage (0) through GetProcessMemoryInfo.
uint64_t PrivateBytes() {
    uint64_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (uintptr_t at = 0; VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof(region)) == sizeof(region);) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        uintptr_t next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;  // the top of the address space
        at = next;
    }
    return total;
}

orvdown::UniqueSocket ListenOnLoopback(unsigned short* port) {
    orvdown::UniqueSocket listener{socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)};
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int cb = sizeof(at);
    if (!listener || bind(listener.get(), reinterpret_cast<sockaddr*>(&at), sizeof(at)) != 0 ||
        listen(listener.get(), 8) != 0 || getsockname(listener.get(), reinterpret_cast<sockaddr*>(&at), &cb) != 0)
        return orvdown::UniqueSocket();
    *port = ntohs(at.sin_port);
    return listener;
}

// --- The library's log

void OrvLogWindow::Mark() {
    Sleep(2);  // lines written just before fall in an earlier millisecond
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    snprintf(stamp, sizeof(stamp), "%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond, now.wMilliseconds);
    since_ = stamp;
}

// A line: "<stamp>|<pid>|<tid>|<level>|<text>".
std::string OrvLogWindow::Text() const {
    std::wstring dir = harness::ProgramDir() + L"\\Log\\";
    std::string all = harness::ReadFileBytes(dir + L"OrvDown.old.log") + harness::ReadFileBytes(dir + L"OrvDown.log");
    std::string pid = "|" + std::to_string(GetCurrentProcessId()) + "|";
    std::string out;
    for (size_t pos = 0; pos < all.size();) {
        size_t end = all.find('\n', pos);
        std::string line = all.substr(pos, end == std::string::npos ? std::string::npos : end + 1 - pos);
        pos = end == std::string::npos ? all.size() : end + 1;
        if (line.size() > since_.size() && line.compare(0, since_.size(), since_) >= 0 &&
            line.compare(since_.size(), pid.size(), pid) == 0)
            out += line;
    }
    return out;
}

// --- LibraryTest

void LibraryTest::SetUp() {
    log_.Mark();
    testThread_ = GetCurrentThreadId();
    ASSERT_GT(ServerPort(), 0) << "no port file of the pkgserver fixture";
    ASSERT_TRUE(DownInit(&notify_));
    ASSERT_TRUE(ConnectSSS("127.0.0.1", static_cast<unsigned short>(ServerPort())));
    SetTotalSpeedLimit(0);
}

void LibraryTest::TearDown() {
    notify_.Release();  // a test that ended early may have left tasks held
    DownUninit();
}

std::wstring LibraryTest::Game(const std::wstring& name) const { return harness::MakeScratchDir(L"orvdown_" + name); }

}  // namespace orvtest
