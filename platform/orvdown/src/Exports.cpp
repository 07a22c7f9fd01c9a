// The exports of OrvDown.dll. Nothing thrown inside the library leaves it.
#include "Downloader.h"
#include "OrvDown.h"
#include "OrvLog.h"

using orvdown::Downloader;
using orvdown::TaskEnd;

namespace {

template <typename Call>
auto Guarded(const wchar_t* name, Call call, decltype(call()) failed) -> decltype(call()) {
    try {
        return call();
    } catch (...) {
        ORV_ERROR(L"%s failed: out of memory or threads", name);
        return failed;
    }
}

template <typename Call>
void GuardedVoid(const wchar_t* name, Call call) {
    Guarded(name, [&] { call(); return 0; }, 0);
}

}  // namespace

ORVDOWN_API bool __stdcall DownInit(IVokPkgDownNotify* notify) {
    return Guarded(L"DownInit", [&] { return Downloader::Instance().Init(notify); }, false);
}

ORVDOWN_API bool __stdcall ConnectSSS(const char* host, unsigned short port) {
    return Guarded(L"ConnectSSS", [&] { return Downloader::Instance().Connect(host, port); }, false);
}

ORVDOWN_API void __stdcall SetTotalSpeedLimit(uint32_t bytesPerSecond) {
    GuardedVoid(L"SetTotalSpeedLimit", [&] { Downloader::Instance().SetSpeedLimit(bytesPerSecond); });
}

ORVDOWN_API void __stdcall CreateTask(uint32_t pkgId, const char* folder) {
    GuardedVoid(L"CreateTask", [&] { Downloader::Instance().CreateTask(pkgId, folder, L"CreateTask"); });
}

ORVDOWN_API void __stdcall PauseTask(uint32_t pkgId) {
    GuardedVoid(L"PauseTask", [&] { Downloader::Instance().EndTask(pkgId, TaskEnd::Pause); });
}

ORVDOWN_API void __stdcall StopTask(uint32_t pkgId) {
    GuardedVoid(L"StopTask", [&] { Downloader::Instance().EndTask(pkgId, TaskEnd::Stop); });
}

// A repair is a task like any other: every task checks every block of the
// folder against the index before it fetches the missing or wrong ones.
ORVDOWN_API void __stdcall RepairTask(uint32_t pkgId, const char* folder) {
    GuardedVoid(L"RepairTask", [&] { Downloader::Instance().CreateTask(pkgId, folder, L"RepairTask"); });
}

ORVDOWN_API void __stdcall DeletePkg(uint32_t pkgId, const char* folder) {
    GuardedVoid(L"DeletePkg", [&] { Downloader::Instance().DeletePackage(pkgId, folder); });
}

ORVDOWN_API void __stdcall DownUninit() {
    GuardedVoid(L"DownUninit", [] { Downloader::Instance().Uninit(); });
}
