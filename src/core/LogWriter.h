#pragma once
// Process-wide logger. One instance per process, created on first use and
// deleted by DestroyInstance at shutdown. Any thread may log.
//
// Every log statement is the pair
//     LogWriter::SetSourceLocation(file, line, function)(level, L"format", ...);
// which the LOG_* macros below spell out. Formats use the Windows wide printf
// conventions (%s is a wide string, %S a narrow one).
#include <windows.h>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

enum LogLevel : unsigned {
    LOG_LEVEL_STARTUP = 1,
    LOG_LEVEL_SHUTDOWN = 2,
    LOG_LEVEL_INFO = 4,
    LOG_LEVEL_WARNING = 8,
    LOG_LEVEL_TRACE = 16,
    LOG_LEVEL_ERROR = 32,
    LOG_LEVEL_DEBUG = 64,
};

using LogPrintFn = void (*)(unsigned level, const wchar_t* format, ...);

class LogWriter {
public:
    static LogWriter* GetInstance();
    static void DestroyInstance();

    // Stores the location of the coming line and returns the print function.
    static LogPrintFn SetSourceLocation(const char* file, int line, const char* function);
    static const wchar_t* GetLevelName(unsigned level);

    void Write(unsigned level, const wchar_t* format, va_list args);
    void DeleteOldLogs(unsigned days);

    // The clock the logger reads (local time of lines and file names, and the
    // purge's "now"). Tests replace it; nullptr restores the system clock.
    using ClockFn = __time64_t (*)();
    static void SetClockForTest(ClockFn clock);

    // Public so the start-up code can set them directly.
    int outputTargets = 7;           // 1 stdout, 2 file, 0x10 debugger output
    int prefixFlags = 3;             // 1 time, 2 pid/tid, 4 file:line, 8 function
    unsigned levelMask = 59;
    int keepDays = 7;
    std::wstring filePrefix;         // "\\qxtarrow_render" in sub-processes
    int sizeCap = 0x1400000;

    const std::wstring& LogFolder() const { return logFolder_; }

    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

private:
    LogWriter();
    ~LogWriter();

    void StoreLocation(const char* file, int line, const char* function);
    void LocalNow(SYSTEMTIME* now) const;
    void OpenDayFile(const SYSTEMTIME& now);
    size_t FormatLine(unsigned level, const SYSTEMTIME& now, const wchar_t* format, va_list args);

    CRITICAL_SECTION lock_;
    std::wstring sourceFile_;
    int sourceLine_ = 0;
    std::wstring functionName_;
    std::wstring logFolder_;
    std::wstring openedPrefix_;      // the file-name prefix of the open day file
    int lineCounter_ = 0;
    DWORD processId_ = 0;
};

// Appends text and CR LF to a file; does nothing when it cannot be opened.
void AppendLineToFile(const wchar_t* path, const char* text);

// The qualified function name of __PRETTY_FUNCTION__ ("CMainWnd::OnClick").
std::string QualifiedFunctionName(const char* prettyFunction);

#define CORRIN_LOG(level, ...) \
    LogWriter::SetSourceLocation(__FILE__, __LINE__, __PRETTY_FUNCTION__)(level, __VA_ARGS__)
#define LOG_STARTUP(...) CORRIN_LOG(LOG_LEVEL_STARTUP, __VA_ARGS__)
#define LOG_SHUTDOWN(...) CORRIN_LOG(LOG_LEVEL_SHUTDOWN, __VA_ARGS__)
#define LOG_INFO(...) CORRIN_LOG(LOG_LEVEL_INFO, __VA_ARGS__)
#define LOG_WARNING(...) CORRIN_LOG(LOG_LEVEL_WARNING, __VA_ARGS__)
#define LOG_TRACE(...) CORRIN_LOG(LOG_LEVEL_TRACE, __VA_ARGS__)
#define LOG_ERROR(...) CORRIN_LOG(LOG_LEVEL_ERROR, __VA_ARGS__)
#define LOG_DEBUG(...) CORRIN_LOG(LOG_LEVEL_DEBUG, __VA_ARGS__)
// For lines whose function field the system fixes by name ("AppCrashHandler").
#define LOG_AS(function, level, ...) \
    LogWriter::SetSourceLocation(__FILE__, __LINE__, function)(level, __VA_ARGS__)
