#include "OrvLog.h"

#include "Handles.h"
#include "Text.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace orvdown {
namespace {

std::mutex g_logLock;
// A log that grew past this is moved aside once per process.
constexpr LONGLONG kLogCapBytes = 8 << 20;

std::wstring LogFilePath() {
    wchar_t module[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase), module, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    std::wstring dir(module, n);
    dir.resize(dir.rfind(L'\\') + 1);
    dir += L"Log";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    std::wstring path = dir + L"\\OrvDown.log";
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
        (static_cast<LONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow) > kLogCapBytes)
        ::MoveFileExW(path.c_str(), (dir + L"\\OrvDown.old.log").c_str(), MOVEFILE_REPLACE_EXISTING);
    return path;
}

constexpr DWORD kFileLockWaitMs = 2000;

// A named mutex per log file, shared by every process that writes it.
HANDLE FileLockFor(const std::wstring& path) {
    std::wstring name = L"OrvDownLog:" + path;
    for (wchar_t& c : name) {
        if (c == L'\\') c = L'/';
    }
    return ::CreateMutexW(nullptr, FALSE, name.c_str());
}

const char* LevelName(LogLevel level) {
    switch (level) {
        case LogLevel::Info: return "Info";
        case LogLevel::Warning: return "Warning";
        default: return "Error";
    }
}

}  // namespace

void Log(LogLevel level, const wchar_t* format, ...) {
    wchar_t text[1024];
    va_list args;
    va_start(args, format);
    int n = _vsnwprintf(text, _countof(text) - 1, format, args);
    va_end(args);
    text[_countof(text) - 1] = L'\0';
    if (n < 0) text[_countof(text) - 2] = L'~';  // cut to fit

    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char head[96];
    snprintf(head, sizeof(head), "%04u-%02u-%02u %02u:%02u:%02u.%03u|%lu|%lu|%s|", now.wYear, now.wMonth, now.wDay,
             now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, ::GetCurrentProcessId(),
             ::GetCurrentThreadId(), LevelName(level));
    std::string line = head + Utf8FromWide(text) + "\r\n";

    std::lock_guard<std::mutex> lock(g_logLock);
    static const std::wstring path = LogFilePath();
    if (path.empty()) return;
    static const HANDLE fileLock = FileLockFor(path);  // kept until the process ends
    // Appends from two processes may land on the same end of file (Wine seeks
    // then writes), so every process that logs here takes the file's lock.
    // A stuck holder costs a line its lock, never the caller its progress.
    DWORD wait = fileLock ? ::WaitForSingleObject(fileLock, kFileLockWaitMs) : WAIT_FAILED;
    UniqueFile file{::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file) {
        DWORD written = 0;
        ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ::ReleaseMutex(fileLock);
}

}  // namespace orvdown
