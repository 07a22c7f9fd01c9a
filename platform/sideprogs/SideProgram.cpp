// Stand-in for the side programs the launcher starts (Tolvane.exe,
// SelfUpdate.exe). It only records how it was started: one UTF-8 line per
// start in "<own file name>.started.txt" beside itself, holding the local
// start time, the working folder and the full command line, separated by
// tabs. Then it ends with exit code 0. It makes no window.
#include "UniqueHandle.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring OwnPath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::wstring();
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring WorkingFolder() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return std::wstring();
    std::vector<wchar_t> buffer(n);
    n = GetCurrentDirectoryW(n, buffer.data());
    return std::wstring(buffer.data(), n < buffer.size() ? n : 0);
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// Several starts may record at the same moment (every process of the
// launcher starts Tolvane.exe): each line goes out in one appending write.
bool AppendRecord(const std::wstring& path, const std::string& line) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        UniqueFile file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            DWORD written = 0;
            return WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
                   written == line.size();
        }
        Sleep(20);
    }
    return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char time[64];
    snprintf(time, sizeof(time), "%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond, now.wMilliseconds);
    std::string line = std::string(time) + "\t" + ToUtf8(WorkingFolder()) + "\t" + ToUtf8(GetCommandLineW()) + "\r\n";
    AppendRecord(OwnPath() + L".started.txt", line);
    return 0;
}
