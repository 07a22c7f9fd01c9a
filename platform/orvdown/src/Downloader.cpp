#include "Downloader.h"

#include "OrvLog.h"

#include <algorithm>

namespace orvdown {
namespace {

std::string ReadSmallFile(const std::wstring& path) {
    std::string text;
    UniqueFile file{::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)};
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > static_cast<LONGLONG>(kMaxIndexBytes))
        return text;
    text.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!text.empty() && (!::ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &got, nullptr) ||
                          got != text.size()))
        text.clear();
    return text;
}

// Removes the folders of the package's files that are empty now, deepest first.
void RemoveEmptyFolders(const std::wstring& folder, const PkgIndex& index) {
    std::vector<std::wstring> dirs;
    for (const auto& f : index.files) {
        for (size_t pos = f.relPath.find(L'\\'); pos != std::wstring::npos; pos = f.relPath.find(L'\\', pos + 1))
            dirs.push_back(folder + f.relPath.substr(0, pos));
    }
    std::sort(dirs.begin(), dirs.end(), [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    dirs.erase(std::unique(dirs.begin(), dirs.end()), dirs.end());
    for (const auto& d : dirs) ::RemoveDirectoryW(d.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

Downloader& Downloader::Instance() {
    static Downloader instance;
    return instance;
}

bool Downloader::Init(IVokPkgDownNotify* notify) {
    std::lock_guard<std::mutex> lock(lock_);
    if (!notify) {
        ORV_ERROR(L"DownInit without a notify object");
        return false;
    }
    notify_ = notify;
    ORV_INFO(L"DownInit");
    return true;
}

bool Downloader::Connect(const char* host, unsigned short port) {
    std::lock_guard<std::mutex> lock(lock_);
    ReapLocked();
    if (!notify_) {
        ORV_ERROR(L"ConnectSSS before DownInit");
        return false;
    }
    if (!tasks_.empty()) {
        ORV_ERROR(L"ConnectSSS while tasks run");
        return false;
    }
    std::wstring wideHost = WideFromAnsi(host);
    if (wideHost.empty()) {
        ORV_ERROR(L"ConnectSSS without a host");
        return false;
    }
    auto http = std::make_unique<HttpConnection>();
    if (!http->Open(wideHost, port)) return false;
    http_ = std::move(http);
    ORV_INFO(L"ConnectSSS %s:%u", wideHost.c_str(), port);
    return true;
}

void Downloader::SetSpeedLimit(uint32_t bytesPerSecond) {
    limiter_.SetLimit(bytesPerSecond);
    ORV_INFO(L"SetTotalSpeedLimit %u B/s", bytesPerSecond);
}

void Downloader::CreateTask(uint32_t pkgId, const char* folder, const wchar_t* what) {
    std::lock_guard<std::mutex> lock(lock_);
    ORV_INFO(L"%s pkgId=%u folder=%S", what, pkgId, folder ? folder : "(null)");
    if (!notify_) {
        ORV_ERROR(L"%s pkgId=%u before DownInit", what, pkgId);
        return;
    }
    ReapLocked();
    if (tasks_.count(pkgId)) {
        ORV_WARN(L"%s pkgId=%u: a task of the package still runs", what, pkgId);
        return;
    }
    TaskContext context{notify_, http_ ? http_->Connect() : nullptr, &limiter_};
    auto task = std::make_unique<DownloadTask>(context, pkgId, WideFromAnsi(folder));
    if (task->Start()) tasks_[pkgId] = std::move(task);
}

void Downloader::EndTask(uint32_t pkgId, TaskEnd end) {
    std::unique_ptr<DownloadTask> task;
    {
        std::lock_guard<std::mutex> lock(lock_);
        ORV_INFO(L"%s pkgId=%u", end == TaskEnd::Pause ? L"PauseTask" : end == TaskEnd::Stop ? L"StopTask" : L"End",
                 pkgId);
        auto it = tasks_.find(pkgId);
        if (it == tasks_.end() || it->second->Done()) {
            ORV_INFO(L"no running task of pkgId=%u", pkgId);
            return;
        }
        it->second->RequestEnd(end);
        if (it->second->OnControllerThread()) return;  // from its own notice: reaped later
        task = std::move(it->second);
        tasks_.erase(it);
    }
    task->Join();
}

void Downloader::DeletePackage(uint32_t pkgId, const char* folder) {
    ORV_INFO(L"DeletePkg pkgId=%u folder=%S", pkgId, folder ? folder : "(null)");
    EndTask(pkgId, TaskEnd::Abort);
    std::wstring full = FullFolderPath(WideFromAnsi(folder));
    PkgIndex index;
    if (full.empty() || !LoadIndexForDelete(pkgId, full, &index)) {
        ORV_ERROR(L"DeletePkg pkgId=%u: the package's file list is unknown, nothing deleted", pkgId);
        return;
    }
    for (const auto& f : index.files) {
        std::wstring path = full + f.relPath;
        if (!::DeleteFileW(path.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND &&
            ::GetLastError() != ERROR_PATH_NOT_FOUND)
            ORV_ERROR(L"DeletePkg pkgId=%u: deleting %s failed, error=%lu", pkgId, path.c_str(), ::GetLastError());
    }
    ::DeleteFileW(IndexCopyPath(full, pkgId).c_str());
    RemoveEmptyFolders(full, index);
}

// The copy kept in the game folder, else the server's index.
bool Downloader::LoadIndexForDelete(uint32_t pkgId, const std::wstring& folder, PkgIndex* index) {
    std::wstring error;
    if (ParsePkgIndex(ReadSmallFile(IndexCopyPath(folder, pkgId)), index, &error)) return true;
    std::lock_guard<std::mutex> lock(lock_);
    std::string text;
    return http_ && HttpGetAll(http_->Connect(), IndexPath(pkgId), kMaxIndexBytes, nullptr, &text, &error) &&
           ParsePkgIndex(text, index, &error);
}

void Downloader::Uninit() {
    std::map<uint32_t, std::unique_ptr<DownloadTask>> tasks;
    {
        std::lock_guard<std::mutex> lock(lock_);
        ORV_INFO(L"DownUninit, %u tasks", static_cast<unsigned>(tasks_.size()));
        for (auto& t : tasks_) {
            if (t.second->OnControllerThread()) {
                ORV_ERROR(L"DownUninit from a notice of pkgId=%u refused", t.first);
                return;
            }
        }
        tasks.swap(tasks_);
        for (auto& t : tasks) t.second->RequestEnd(TaskEnd::Abort);
    }
    tasks.clear();  // joins every thread
    std::lock_guard<std::mutex> lock(lock_);
    http_.reset();
    notify_ = nullptr;
}

void Downloader::ReapLocked() {
    for (auto it = tasks_.begin(); it != tasks_.end();) {
        if (it->second->Done())
            it = tasks_.erase(it);
        else
            ++it;
    }
}

}  // namespace orvdown
