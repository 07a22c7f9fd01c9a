#include "InstalledGames.h"

#include <cstring>
#include <memory>
#include <new>

#include "LogWriter.h"
#include "sqlite_helper.h"

namespace {

constexpr int kPathBufferBytes = 1024;
using GetGamePathByPackageIdFn = int(__cdecl*)(int, char*, int);

}  // namespace

CInstalledGames::CInstalledGames(const std::wstring& programFolder, CLocalDB& localDb)
    : programFolder_(programFolder), localDb_(localDb) {}

CInstalledGames::~CInstalledGames() {
    if (!library_) return;
    LOG_DEBUG(L"FreeLibrary TesselPkgPath.dll");
    library_.reset();
    LOG_DEBUG(L"FreeLibrary TesselPkgPath.dll success");
}

bool CInstalledGames::LoadLibraryOnce() {
    if (library_) return true;
    std::wstring path = programFolder_ + L"TesselPkgPath.dll";
    library_.reset(::LoadLibraryW(path.c_str()));
    if (!library_) {
        LOG_WARNING(L"Can Load TesselPkgPath.dll, LastError=0x%X", ::GetLastError());
        return false;
    }
    return true;
}

void CInstalledGames::GetGamePathByPkgId(int pkgId, CStringW& path) {
    if (!LoadLibraryOnce()) return;
    LOG_DEBUG(L"GetGamePathByPkgId start, pkgid=%d", pkgId);
    auto getPath = reinterpret_cast<GetGamePathByPackageIdFn>(
        reinterpret_cast<void*>(::GetProcAddress(library_.get(), "GetGamePathByPackageID")));
    if (!getPath) {
        LOG_ERROR(L"GetGamePathByPkgId exit, GetProcAddress failed, pkgid=%d", pkgId);
        return;
    }
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kPathBufferBytes]());
    if (!buffer) return;
    int result = getPath(pkgId, buffer.get(), kPathBufferBytes);
    // A path that fills the buffer without its zero is cut short: no path.
    bool terminated = std::memchr(buffer.get(), '\0', kPathBufferBytes) != nullptr;
    if (result == 1 && terminated && buffer[0] != '\0') {
        AnsiToUnicodeStr(buffer.get(), path);
        LOG_INFO(L"game path from pkgid=%s", path.c_str());
    } else {
        LOG_WARNING(L"Can not get path, exe game pkgid=%d", pkgId);
    }
}

int CInstalledGames::IsGameInstalledLocal(int gameId) {
    if (gameId < 1) {
        LOG_ERROR(L"IsGameInstalledLocal gameId=%d invalid", gameId);
        return -1;
    }
    if (noCafeClient_) return localDb_.GetGameStatus(gameId) == 0 ? 1 : 0;
    auto cached = installedCache_.find(gameId);
    if (cached != installedCache_.end()) return cached->second;
    LOG_DEBUG(L"IsGameInstalledLocal gameId=%u", static_cast<unsigned>(gameId));
    CStringW path;
    GetGamePathByPkgId(gameId, path);
    int installed = 0;
    if (!path.empty()) {
        if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            installed = 1;
        else
            LOG_INFO(L"IsGameInstalledLocal gameId=%u not exist", static_cast<unsigned>(gameId));
    }
    installedCache_[gameId] = installed;
    return installed;
}
