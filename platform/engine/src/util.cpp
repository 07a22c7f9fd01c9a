// Engine-wide helpers.
#include "util.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <limits>
#include <mutex>
#include <vector>

#include "include/base/cef_logging.h"
#include "include/internal/cef_string.h"
#include "include/internal/cef_types.h"

namespace cefstub {
namespace {

std::mutex g_logLock;
std::wstring g_logFile;
int g_minSeverity = LOGSEVERITY_DISABLE;

std::wstring FormatV(const wchar_t* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = _vscwprintf(format, copy);
    va_end(copy);
    if (n < 0) return format;
    std::vector<wchar_t> buf(static_cast<size_t>(n) + 1);
    _vsnwprintf(buf.data(), buf.size(), format, args);
    buf.back() = 0;
    return buf.data();
}

void WriteLine(const wchar_t* level, const std::wstring& text, bool toFile) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    wchar_t head[96];
    _snwprintf(head, _countof(head), L"[%04u%02u/%02u%02u%02u.%03u:%s:%lu] ", st.wMonth, st.wDay, st.wHour, st.wMinute,
               st.wSecond, st.wMilliseconds, level, GetCurrentProcessId());
    head[_countof(head) - 1] = 0;
    std::wstring line = head + text + L"\n";
    OutputDebugStringW(line.c_str());
    if (!toFile) return;
    std::lock_guard<std::mutex> lock(g_logLock);
    if (g_logFile.empty()) return;
    HANDLE f = CreateFileW(g_logFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    std::string utf8 = ToUtf8(line);
    DWORD written = 0;
    WriteFile(f, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(f);
}

int MinSeverity() {
    std::lock_guard<std::mutex> lock(g_logLock);
    return g_minSeverity;
}

const wchar_t* LevelName(LogSeverity s) {
    switch (s) {
        case LogSeverity::Verbose: return L"VERBOSE";
        case LogSeverity::Info: return L"INFO";
        case LogSeverity::Warning: return L"WARNING";
        default: return L"ERROR";
    }
}

// FILETIME counts 100 ns from 1601-01-01, which is kEarliestSeconds.
constexpr ULONGLONG kFileTimeUnitsPerSecond = 10000000ULL;
constexpr int kFirstYear = 1601;
constexpr int kLastYear = 30827;

int64_t FileTimeSeconds(const FILETIME& ft) {
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    return static_cast<int64_t>(u.QuadPart / kFileTimeUnitsPerSecond) + kEarliestSeconds;
}

int64_t ClampSeconds(int64_t seconds) { return std::min(std::max(seconds, kEarliestSeconds), kLatestSeconds); }

// A field of a date as SYSTEMTIME takes it; one WORD cannot hold reads as out of range.
WORD TimeField(int value) { return value < 0 || value > 0xFFFF ? 0xFFFF : static_cast<WORD>(value); }

}  // namespace

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

void ConfigureLog(const std::wstring& logFile, int minSeverity) {
    std::lock_guard<std::mutex> lock(g_logLock);
    g_logFile = logFile;
    g_minSeverity = minSeverity == LOGSEVERITY_DEFAULT ? LOGSEVERITY_INFO : minSeverity;
}

void Log(LogSeverity severity, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatV(format, args);
    va_end(args);
    int min = MinSeverity();
    WriteLine(LevelName(severity), text, min != LOGSEVERITY_DISABLE && static_cast<int>(severity) >= min);
}

void LogAlways(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatV(format, args);
    va_end(args);
    WriteLine(L"ERROR", text, MinSeverity() != LOGSEVERITY_DISABLE);
}

bool WaitAnswering(HANDLE handle, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (timeoutMs != INFINITE && elapsed >= timeoutMs) return false;
        DWORD left = timeoutMs == INFINITE ? INFINITE : timeoutMs - elapsed;
        DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        // Only sent messages are answered; posted ones stay for the thread's own loop.
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

std::wstring ProgramPath() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::wstring();
        if (n < buf.size()) return std::wstring(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

int64_t AddSeconds(int64_t seconds, int64_t delta) {
    seconds = ClampSeconds(seconds);
    if (delta > kLatestSeconds - seconds) return kLatestSeconds;
    if (delta < kEarliestSeconds - seconds) return kEarliestSeconds;
    return seconds + delta;
}

int64_t NowSeconds() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return FileTimeSeconds(ft);
}

bool TimeToSeconds(const cef_time_t& t, int64_t* seconds) {
    // The fields are checked by SystemTimeToFileTime, the year first brought into its range.
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(std::min(std::max(t.year, kFirstYear), kLastYear));
    st.wMonth = TimeField(t.month);
    st.wDay = TimeField(t.day_of_month);
    st.wHour = TimeField(t.hour);
    st.wMinute = TimeField(t.minute);
    st.wSecond = TimeField(t.second);
    st.wMilliseconds = TimeField(t.millisecond);
    FILETIME ft;
    if (!SystemTimeToFileTime(&st, &ft)) return false;
    if (t.year < kFirstYear) *seconds = kEarliestSeconds;
    else if (t.year > kLastYear) *seconds = kLatestSeconds;
    else *seconds = FileTimeSeconds(ft);
    return true;
}

bool TimeFromSeconds(int64_t seconds, cef_time_t* t) {
    ULARGE_INTEGER u;
    u.QuadPart = static_cast<ULONGLONG>(ClampSeconds(seconds) - kEarliestSeconds) * kFileTimeUnitsPerSecond;
    FILETIME ft = {u.LowPart, u.HighPart};
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(&ft, &st)) return false;
    t->year = st.wYear;
    t->month = st.wMonth;
    t->day_of_week = st.wDayOfWeek;
    t->day_of_month = st.wDay;
    t->hour = st.wHour;
    t->minute = st.wMinute;
    t->second = st.wSecond;
    t->millisecond = st.wMilliseconds;
    return true;
}

}  // namespace cefstub

std::string CefString::ToString() const { return cefstub::ToUtf8(str_); }

bool CefString::FromString(const std::string& utf8) {
    str_ = cefstub::FromUtf8(utf8);
    return true;
}

namespace cef_logging {
void CheckFailed(const char* file, int line, const char* condition) {
    cefstub::LogAlways(L"%S(%d) Check failed: %S. ", file, line, condition);
    std::fprintf(stderr, "Check failed: %s. \n", condition);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 0xC0000409u);
    std::abort();
}
}  // namespace cef_logging

extern "C" int cef_time_to_timet(const cef_time_t* t, time_t* out) {
    if (!t || !out) return 0;
    int64_t seconds = 0;
    if (!cefstub::TimeToSeconds(*t, &seconds)) {
        *out = 0;
        return 0;
    }
    // A date a 32-bit time_t cannot hold reads as its first or last second, never as a wrapped one.
    seconds = std::max<int64_t>(seconds, std::numeric_limits<time_t>::min());
    *out = static_cast<time_t>(std::min<int64_t>(seconds, std::numeric_limits<time_t>::max()));
    return 1;
}

extern "C" int cef_time_from_timet(time_t time, cef_time_t* t) {
    return t && cefstub::TimeFromSeconds(static_cast<int64_t>(time), t) ? 1 : 0;
}
