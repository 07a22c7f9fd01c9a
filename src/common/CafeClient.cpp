#include "CafeClient.h"

#include <windows.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <mutex>

#include "PathUtil.h"
#include "UniqueHandle.h"

namespace {

constexpr wchar_t kCafeClientExe[] = L"TesselView.exe";

std::wstring FindOnDrives() {
    std::wstring path = L"B:\\DrumClient\\TesselView.exe";
    if (::PathFileExistsW(path.c_str())) return path;
    for (wchar_t drive = L'D'; drive <= L'Z'; ++drive) {
        path[0] = drive;
        if (::PathFileExistsW(path.c_str())) return path;
    }
    return std::wstring();
}

}  // namespace

std::wstring FindCafeClientProcessPath() {
    UniqueFile processes(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!processes) return std::wstring();
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(processes.get(), &entry); more; more = ::Process32NextW(processes.get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, kCafeClientExe) == 0) return GetProcessImagePath(entry.th32ProcessID);
    }
    return std::wstring();
}

std::wstring GetCafeClientPath() {
    static std::mutex lock;
    static std::wstring cached;
    std::lock_guard<std::mutex> hold(lock);
    if (cached.empty()) cached = FindCafeClientProcessPath();
    if (cached.empty()) cached = FindOnDrives();
    return cached;
}
