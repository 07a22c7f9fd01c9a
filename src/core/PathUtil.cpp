#include "PathUtil.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "UniqueHandle.h"

std::wstring GetModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), size);
        if (n == 0) return std::wstring();
        if (n < size) return std::wstring(buffer.data(), n);
        if (size >= 32768) return std::wstring();  // longer than any Windows path
        buffer.resize(size * 2);
    }
}

std::wstring GetModuleDir() { return GetParentDir(GetModulePath()); }

std::wstring GetProcessImagePath(DWORD processId) {
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return std::wstring();
    std::vector<wchar_t> buffer(32768);  // the longest Windows path and its zero
    DWORD size = static_cast<DWORD>(buffer.size());
    if (!QueryFullProcessImageNameW(process.get(), 0, buffer.data(), &size)) return std::wstring();
    return std::wstring(buffer.data(), size);
}

std::wstring TrimTrailingBackslashes(const std::wstring& path) {
    size_t end = path.find_last_not_of(L'\\');
    return end == std::wstring::npos ? std::wstring() : path.substr(0, end + 1);
}

std::wstring GetParentDir(const std::wstring& path) {
    std::wstring trimmed = TrimTrailingBackslashes(path);
    size_t slash = trimmed.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : trimmed.substr(0, slash);
}

std::wstring PathJoin(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) return name;
    size_t start = name.find_first_not_of(L'\\');
    std::wstring tail = start == std::wstring::npos ? std::wstring() : name.substr(start);
    return TrimTrailingBackslashes(folder) + L"\\" + tail;
}

std::wstring FormatString(const wchar_t* format, ...) {
    if (!format) return std::wstring();
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int length = _vscwprintf(format, measure);
    va_end(measure);
    std::wstring text;
    if (length > 0) {
        std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
        int written = _vsnwprintf(buffer.data(), buffer.size(), format, args);
        if (written >= 0) text.assign(buffer.data(), static_cast<size_t>(written < length ? written : length));
    }
    va_end(args);
    return text;
}

bool IsExistingFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
