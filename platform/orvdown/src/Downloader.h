#pragma once
// The library's state behind the exports: the user's notify object, the
// connection to the download server, the total speed limit and the tasks
// by package id. Every export may come from any thread; none may come from
// a notice of the library except SetTotalSpeedLimit.
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
    void ReapLocked();
    bool LoadIndexForDelete(uint32_t pkgId, const std::wstring& folder, PkgIndex* index);

    std::mutex lock_;
    IVokPkgDownNotify* notify_ = nullptr;  // not owned
    std::unique_ptr<HttpConnection> http_;
    SpeedLimiter limiter_;
    std::map<uint32_t, std::unique_ptr<DownloadTask>> tasks_;
};

}  // namespace orvdown
