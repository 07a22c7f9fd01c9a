#include "Downloader.h"

#include "OrvLog.h"
#include "PackageFolder.h"
#include "Text.h"

namespace orvdown {
namespace {

const wchar_t* EndName(TaskEnd end) {
    switch (end) {
        case TaskEnd::Pause: return L"PauseTask";
        case TaskEnd::Stop: return L"StopTask";
        default: return L"End";
    }
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
    if (!winsock_) winsock_ = std::make_unique<WinsockScope>();
    if (!winsock_->Ok()) {
        ORV_ERROR(L"DownInit: Winsock not started, error=%d", ::WSAGetLastError());
        winsock_.reset();
        return false;
    }
    notify_ = notify;
    ORV_INFO(L"DownInit");
    return true;
}

// The server is resolved and asked outside the lock.
bool Downloader::Connect(const char* host, unsigned short port) {
    {
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
    }
    std::wstring wideHost = WideFromAnsi(host);
    if (wideHost.empty()) {
        ORV_ERROR(L"ConnectSSS without a host");
        return false;
    }
    WinsockScope winsock;
    ServerAddress server;
    std::wstring error;
    std::string body;
    if (!ResolveServer(wideHost, port, &server, &error) ||
        !HttpGetAll(server, "/pkg/hello", 4096, nullptr, &body, &error)) {
        ORV_ERROR(L"download server %s:%u does not answer: %s", wideHost.c_str(), port, error.c_str());
        return false;
    }
    std::lock_guard<std::mutex> lock(lock_);
    server_ = server;
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
    auto it = tasks_.find(pkgId);
    if (it != tasks_.end() && !it->second->Paused()) {
        ORV_WARN(L"%s pkgId=%u: a task of the package still runs", what, pkgId);
        return;
    }
    TaskContext context{notify_, server_, &limiter_};
    auto task = std::make_shared<DownloadTask>(context, pkgId, WideFromAnsi(folder));
    if (task->Start()) tasks_[pkgId] = std::move(task);  // a paused one is resumed by its successor
}

// A pause keeps the ended task, so that a later stop can still send its
// cancel notice; a stop or an abort forgets it.
void Downloader::EndTask(uint32_t pkgId, TaskEnd end) {
    TaskPtr task;
    bool cancelPaused = false;
    {
        std::lock_guard<std::mutex> lock(lock_);
        ORV_INFO(L"%s pkgId=%u", EndName(end), pkgId);
        auto it = tasks_.find(pkgId);
        if (it == tasks_.end()) {
            ORV_INFO(L"no task of pkgId=%u", pkgId);
            return;
        }
        task = it->second;
        if (task->Done()) {
            if (end == TaskEnd::Pause) return;
            cancelPaused = end == TaskEnd::Stop && task->Paused();
            tasks_.erase(it);
            if (!cancelPaused) ORV_INFO(L"no running task of pkgId=%u", pkgId);
        } else {
            task->RequestEnd(end);
            if (task->OnControllerThread()) return;  // from its own notice: it ends after the notice
            if (end != TaskEnd::Pause) tasks_.erase(it);
        }
    }
    if (cancelPaused)
        task->NoticeCancel();
    else
        task->Join();
}

void Downloader::DeletePackage(uint32_t pkgId, const char* folder) {
    ORV_INFO(L"DeletePkg pkgId=%u folder=%S", pkgId, folder ? folder : "(null)");
    EndTask(pkgId, TaskEnd::Abort);
    std::wstring full = FullFolderPath(WideFromAnsi(folder));
    std::vector<std::wstring> names;
    if (full.empty() || !(LoadInstalledFiles(full, pkgId, &names) || LoadServerFileNames(pkgId, &names))) {
        ORV_ERROR(L"DeletePkg pkgId=%u: the package's file list is unknown, nothing deleted", pkgId);
        return;
    }
    RemoveInstalledFiles(full, pkgId, names);
}

// The files of the server's index, for a folder that kept no list. The
// request runs outside the lock, so that other calls need not wait for it.
bool Downloader::LoadServerFileNames(uint32_t pkgId, std::vector<std::wstring>* names) {
    ServerAddress server;
    {
        std::lock_guard<std::mutex> lock(lock_);
        server = server_;
    }
    WinsockScope winsock;
    std::string text;
    std::wstring error;
    PkgIndex index;
    if (server.Empty() || !HttpGetAll(server, IndexPath(pkgId), kMaxIndexBytes, nullptr, &text, &error) ||
        !ParsePkgIndex(text, &index, &error)) {
        if (!error.empty()) ORV_WARN(L"DeletePkg pkgId=%u: the server's index: %s", pkgId, error.c_str());
        return false;
    }
    names->clear();
    for (const auto& f : index.files) names->push_back(f.relPath);
    return true;
}

void Downloader::Uninit() {
    std::map<uint32_t, TaskPtr> tasks;
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
    for (auto& t : tasks) t.second->Join();
    tasks.clear();
    std::lock_guard<std::mutex> lock(lock_);
    server_ = ServerAddress();
    notify_ = nullptr;
    winsock_.reset();
}

void Downloader::ReapLocked() {
    for (auto it = tasks_.begin(); it != tasks_.end();) {
        if (it->second->Done() && !it->second->Paused())
            it = tasks_.erase(it);
        else
            ++it;
    }
}

}  // namespace orvdown
