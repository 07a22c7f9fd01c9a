#pragma once
// The library's state behind the exports: the user's notify object, the
// download server named by ConnectSSS, the total speed limit and the tasks
// by package id. Every export may come from any thread; none may come from
// a notice of the library except SetTotalSpeedLimit. No export waits for
// the network while holding the library's lock.
#include "DownloadTask.h"

#include <map>
#include <memory>

namespace orvdown {

class Downloader {
public:
    static Downloader& Instance();

    bool Init(IVokPkgDownNotify* notify);
    bool Connect(const char* host, unsigned short port);
    void SetSpeedLimit(uint32_t bytesPerSecond);
    void CreateTask(uint32_t pkgId, const char* folder, const wchar_t* what);
    void EndTask(uint32_t pkgId, TaskEnd end);
    void DeletePackage(uint32_t pkgId, const char* folder);
    void Uninit();

private:
    using TaskPtr = std::shared_ptr<DownloadTask>;
    void ReapLocked();
    bool LoadServerFileNames(uint32_t pkgId, std::vector<std::wstring>* names);

    std::mutex lock_;
    IVokPkgDownNotify* notify_ = nullptr;  // not owned
    std::unique_ptr<WinsockScope> winsock_;  // from DownInit to DownUninit
    ServerAddress server_;
    SpeedLimiter limiter_;
    // Running tasks, and paused ones until they are resumed, stopped or deleted.
    std::map<uint32_t, TaskPtr> tasks_;
};

}  // namespace orvdown
