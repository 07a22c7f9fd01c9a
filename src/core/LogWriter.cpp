#include "LogWriter.h"

#include "GlobalFunc.h"
#include "SharedFileLock.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cwchar>
#include <direct.h>

namespace {

constexpr size_t kLineChars = 2044;     // the line buffer
constexpr size_t kMaxLineChars = 2042;  // room for the line before "\n" and the end
constexpr int kSizeGuardLines = 2000;

// Process-wide state beside the instance, touched only under its lock.
wchar_t g_lineBuffer[kLineChars];
// The line as stored: UTF-8 with each line feed as CR LF; a code unit takes at
// most 3 bytes that way.
char g_fileBuffer[kLineChars * 3];
// The day's file, opened for appending only, and the lock every process that
// writes it shares: renderers share one day file, and an append can be a
// look-up of the end then a write (Wine), so a line is written only under the
// lock and as one piece.
HANDLE g_logFile = INVALID_HANDLE_VALUE;
SharedFileLock g_logFileLock;
WORD g_logDay = 0;
constexpr DWORD kFileLockWaitMs = 2000;

std::atomic<LogWriter*> g_instance{nullptr};
std::atomic<LogWriter::ClockFn> g_clock{nullptr};

struct InstanceLock {
    CRITICAL_SECTION cs;
    InstanceLock() { InitializeCriticalSectionAndSpinCount(&cs, 0); }
    ~InstanceLock() { DeleteCriticalSection(&cs); }
};
InstanceLock g_instanceLock;

class Guard {
public:
    explicit Guard(CRITICAL_SECTION* cs) : cs_(cs) { EnterCriticalSection(cs_); }
    ~Guard() { LeaveCriticalSection(cs_); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    CRITICAL_SECTION* cs_;
};

// Appends formatted text at *pos, never past limit; a piece that does not fit
// fills the room that is left.
void AppendBounded(wchar_t* buf, size_t* pos, size_t limit, const wchar_t* format, va_list args) {
    if (*pos >= limit) return;
    size_t room = limit - *pos;
    int n = _vsnwprintf(buf + *pos, room, format, args);
    *pos = (n < 0 || static_cast<size_t>(n) >= room) ? limit : *pos + static_cast<size_t>(n);
    buf[*pos] = L'\0';
}

void Append(wchar_t* buf, size_t* pos, size_t limit, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    AppendBounded(buf, pos, limit, format, args);
    va_end(args);
}

std::wstring Widen(const char* text) {
    if (!text || !*text) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) return std::wstring();
    std::wstring out(static_cast<size_t>(n - 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &out[0], n);
    return out;
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& what, const std::wstring& with) {
    for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

void LowerInPlace(std::wstring* text) {
    if (!text->empty()) CharLowerBuffW(&(*text)[0], static_cast<DWORD>(text->size()));
}

// The line in g_lineBuffer as the file stores it, in g_fileBuffer; its length.
DWORD EncodeLineForFile(size_t chars) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, g_lineBuffer, static_cast<int>(chars), g_fileBuffer,
                                    static_cast<int>(sizeof(g_fileBuffer)), nullptr, nullptr);
    if (bytes <= 0) return 0;
    size_t feeds = 0;
    for (int i = 0; i < bytes; ++i) feeds += g_fileBuffer[i] == '\n';
    // Widen in place from the end: every '\n' becomes "\r\n".
    size_t to = static_cast<size_t>(bytes) + feeds;
    for (size_t from = static_cast<size_t>(bytes); from-- > 0;) {
        g_fileBuffer[--to] = g_fileBuffer[from];
        if (g_fileBuffer[from] == '\n') g_fileBuffer[--to] = '\r';
    }
    return static_cast<DWORD>(static_cast<size_t>(bytes) + feeds);
}

void CloseDayFile() {
    if (g_logFile != INVALID_HANDLE_VALUE) CloseHandle(g_logFile);
    g_logFile = INVALID_HANDLE_VALUE;
    g_logFileLock.Close();
}

void AppendToDayFile(DWORD bytes) {
    bool locked = g_logFileLock.Acquire(kFileLockWaitMs);
    DWORD written = 0;
    WriteFile(g_logFile, g_fileBuffer, bytes, &written, nullptr);
    if (locked) g_logFileLock.Release();
}

LONGLONG FileSize(HANDLE file) {
    LARGE_INTEGER size = {};
    return GetFileSizeEx(file, &size) ? size.QuadPart : 0;
}

// "../../src/common/MainWnd.cpp" (a compiler that saw the path relative to
// its build folder) names the same source as "src/common/MainWnd.cpp".
const char* SkipParentSteps(const char* file) {
    while (file[0] == '.' && (file[1] == '/' || file[1] == '\\' ||
                              (file[1] == '.' && (file[2] == '/' || file[2] == '\\'))))
        file += file[1] == '.' ? 3 : 2;
    return file;
}

std::wstring DateFileSuffix(unsigned year, unsigned month, unsigned day) {
    wchar_t text[32];
    _snwprintf(text, 31, L"%04u%02u%02u.log", year, month, day);
    text[31] = L'\0';
    return text;
}

void LogPrint(unsigned level, const wchar_t* format, ...) {
    LogWriter* log = LogWriter::GetInstance();
    if ((level & log->levelMask) == 0) return;
    va_list args;
    va_start(args, format);
    log->Write(level, format, args);
    va_end(args);
}

}  // namespace

std::string QualifiedFunctionName(const char* pretty) {
    if (!pretty) return std::string();
    std::string text(pretty);
    // The parameter list starts at the first '(' outside template brackets.
    int depth = 0;
    size_t open = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '<') ++depth;
        else if (c == '>') --depth;
        else if (c == '(' && depth == 0) { open = i; break; }
    }
    if (open == std::string::npos) return text;
    size_t start = 0;
    depth = 0;
    for (size_t i = open; i-- > 0;) {
        char c = text[i];
        if (c == '>') ++depth;
        else if (c == '<') --depth;
        else if ((c == ' ' || c == '*' || c == '&') && depth == 0) { start = i + 1; break; }
    }
    return text.substr(start, open - start);
}

LogWriter* LogWriter::GetInstance() {
    LogWriter* log = g_instance.load(std::memory_order_acquire);
    if (log) return log;
    Guard guard(&g_instanceLock.cs);
    log = g_instance.load(std::memory_order_relaxed);
    if (!log) {
        log = new LogWriter();
        g_instance.store(log, std::memory_order_release);
    }
    return log;
}

void LogWriter::DestroyInstance() {
    Guard guard(&g_instanceLock.cs);
    delete g_instance.exchange(nullptr);
}

void LogWriter::SetClockForTest(ClockFn clock) { g_clock.store(clock); }

LogWriter::LogWriter() {
    InitializeCriticalSectionAndSpinCount(&lock_, 0);
    wchar_t path[513] = {};
    GetModuleFileNameW(nullptr, path, 512);
    CharLowerW(path);
    for (size_t i = wcslen(path); i-- > 0;) {
        if (path[i] == L'.') {
            path[i] = L'\0';
        } else if (path[i] == L'\\') {
            path[i] = L'\0';
            break;
        }
    }
    std::wstring folder = std::wstring(path) + L"\\Log";
    if (_wmkdir(folder.c_str()) != 0 && errno != EEXIST) {
        wchar_t text[700];
        _snwprintf(text, 699, L"\nFailed to create log directory(%s), errno = %d\n", folder.c_str(), errno);
        text[699] = L'\0';
        OutputDebugStringW(text);
        if (BeaconcliFallbackFolder().empty()) IsRunInBeaconcli();
        folder = BeaconcliFallbackFolder();
    }
    logFolder_ = folder;
    processId_ = GetCurrentProcessId();
}

LogWriter::~LogWriter() { DeleteCriticalSection(&lock_); }

LogPrintFn LogWriter::SetSourceLocation(const char* file, int line, const char* function) {
    GetInstance()->StoreLocation(file, line, function);
    return &LogPrint;
}

void LogWriter::StoreLocation(const char* file, int line, const char* function) {
    std::wstring wideFile = Widen(file ? SkipParentSteps(file) : nullptr);
    for (wchar_t& c : wideFile) {
        if (c == L'/') c = L'\\';
    }
    size_t dot = wideFile.rfind(L'.');
    if (dot != std::wstring::npos && wideFile.find(L'\\', dot) == std::wstring::npos) wideFile.resize(dot);
    std::wstring wideFunction = Widen(QualifiedFunctionName(function).c_str());
    {
        Guard guard(&lock_);
        sourceFile_.swap(wideFile);
        sourceLine_ = line;
    }
    Guard guard(&lock_);
    functionName_.swap(wideFunction);
}

const wchar_t* LogWriter::GetLevelName(unsigned level) {
    switch (level) {
        case LOG_LEVEL_STARTUP: return L"Startup";
        case LOG_LEVEL_SHUTDOWN: return L"Shutdown";
        case LOG_LEVEL_INFO: return L"Info";
        case LOG_LEVEL_WARNING: return L"Warning";
        case LOG_LEVEL_TRACE: return L"Trace";
        case LOG_LEVEL_ERROR: return L"Error";
        case LOG_LEVEL_DEBUG: return L"Debug";
        default: return L"Unkown";
    }
}

void LogWriter::LocalNow(SYSTEMTIME* now) const {
    ClockFn clock = g_clock.load();
    if (!clock) {
        GetLocalTime(now);
        return;
    }
    __time64_t t = clock();
    tm local = {};
    _localtime64_s(&local, &t);
    *now = SYSTEMTIME{};
    now->wYear = static_cast<WORD>(local.tm_year + 1900);
    now->wMonth = static_cast<WORD>(local.tm_mon + 1);
    now->wDay = static_cast<WORD>(local.tm_mday);
    now->wDayOfWeek = static_cast<WORD>(local.tm_wday);
    now->wHour = static_cast<WORD>(local.tm_hour);
    now->wMinute = static_cast<WORD>(local.tm_min);
    now->wSecond = static_cast<WORD>(local.tm_sec);
}

size_t LogWriter::FormatLine(unsigned level, const SYSTEMTIME& now, const wchar_t* format, va_list args) {
    size_t pos = 0;
    g_lineBuffer[0] = L'\0';
    if (prefixFlags & 1)
        Append(g_lineBuffer, &pos, kMaxLineChars, L"[%02u:%02u:%02u.%03u]|", now.wHour, now.wMinute, now.wSecond,
               now.wMilliseconds);
    if (prefixFlags & 2)
        Append(g_lineBuffer, &pos, kMaxLineChars, L"[%04x]|[%04x]|", processId_, GetCurrentThreadId());
    if (prefixFlags & 4)
        Append(g_lineBuffer, &pos, kMaxLineChars, L"[%s:%d]|", sourceFile_.c_str(), sourceLine_);
    Append(g_lineBuffer, &pos, kMaxLineChars, L"[%s]|", GetLevelName(level));
    if (prefixFlags & 8) Append(g_lineBuffer, &pos, kMaxLineChars, L"[%s]|", functionName_.c_str());
    AppendBounded(g_lineBuffer, &pos, kMaxLineChars, format ? format : L"", args);
    g_lineBuffer[pos++] = L'\n';
    g_lineBuffer[pos] = L'\0';
    return pos;
}

void LogWriter::OpenDayFile(const SYSTEMTIME& now) {
    CloseDayFile();
    std::wstring date = DateFileSuffix(now.wYear, now.wMonth, now.wDay);
    g_logDay = now.wDay;
    openedPrefix_ = filePrefix;
    DeleteOldLogs(static_cast<unsigned>(keepDays));
    std::wstring name;
    if (!filePrefix.empty()) {
        name = filePrefix + date;
    } else {
        const wchar_t* exeName = GetExeName(false);
        name = ReplaceAll(exeName ? exeName : L"", L".exe", date);
    }
    std::wstring path = logFolder_ + name;
    g_logFile = CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (g_logFile != INVALID_HANDLE_VALUE) {
        g_logFileLock.Open(path);
    } else {
        OutputDebugStringW(L"\n[QXXX] failed to create log file\n");
        OutputDebugStringW(logFolder_.c_str());
    }
}

void LogWriter::Write(unsigned level, const wchar_t* format, va_list args) {
    Guard guard(&lock_);
    if ((level & levelMask) == 0) return;
    if (levelMask < 32 && ++lineCounter_ > kSizeGuardLines) {
        lineCounter_ = 0;
        if (g_logFile != INVALID_HANDLE_VALUE && FileSize(g_logFile) > sizeCap) {
            levelMask = 0;
            return;
        }
    }
    SYSTEMTIME now;
    LocalNow(&now);
    size_t chars = FormatLine(level, now, format, args);
    if (outputTargets & 1) fputws(g_lineBuffer, stdout);
    if (outputTargets & 0x10) OutputDebugStringW(g_lineBuffer);
    if (outputTargets & 2) {
        // A new day, or a prefix set after the first line, names another file.
        if (now.wDay != g_logDay || filePrefix != openedPrefix_) OpenDayFile(now);
        if (g_logFile != INVALID_HANDLE_VALUE) AppendToDayFile(EncodeLineForFile(chars));
    }
}

void LogWriter::DeleteOldLogs(unsigned days) {
    const wchar_t* exeName = GetExeName(false);
    if (!exeName) return;
    std::wstring program = exeName;
    if (!program.empty() && program[0] == L'\\') program.erase(0, 1);
    std::vector<std::wstring> files;
    FindFiles(logFolder_.c_str(), ReplaceAll(program, L".exe", L"*.log").c_str(), files);
    if (files.empty()) return;

    ClockFn clock = g_clock.load();
    __time64_t cutoff = (clock ? clock() : _time64(nullptr)) - static_cast<__time64_t>(days) * 86400;
    tm local = {};
    _localtime64_s(&local, &cutoff);
    std::wstring cutoffName = logFolder_ + L"\\" +
        ReplaceAll(program, L".exe", DateFileSuffix(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
    LowerInPlace(&cutoffName);
    for (std::wstring& path : files) {
        LowerInPlace(&path);
        if (path.compare(cutoffName) < 0) DeleteFileW(path.c_str());
    }
}

void AppendLineToFile(const wchar_t* path, const char* text) {
    // Binary mode: the text is followed by exactly one CR LF.
    FILE* file = _wfopen(path, L"ab");
    if (!file) return;
    fputs(text ? text : "", file);
    fputs("\r\n", file);
    fclose(file);
}
