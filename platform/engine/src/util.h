#pragma once
// Small helpers shared by the engine's files: text conversion, the engine's
// own log, handles, dates.
#include <windows.h>

#include <cstdint>
#include <string>

struct cef_time_t;

namespace cefstub {

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

// Engine log: debugger output always; the settings' log file when the
// severity reaches the configured level. LogAlways writes an Error line
// (ended processes, fatal checks) whatever that level. With logging disabled
// (LOGSEVERITY_DISABLE) nothing reaches the file, and no file is made.
enum class LogSeverity { Verbose = 1, Info = 2, Warning = 3, Error = 4 };
void ConfigureLog(const std::wstring& logFile, int minSeverity);
void Log(LogSeverity severity, const wchar_t* format, ...);
void LogAlways(const wchar_t* format, ...);

// Owner of a kernel handle (closed with CloseHandle).
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept { reset(o.release()); return *this; }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE release() { HANDLE h = h_; h_ = nullptr; return h; }
    void reset(HANDLE h = nullptr) {
        if (*this) ::CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

// Waits for the handle while answering messages sent to this thread's
// windows (another thread may be sending to them meanwhile).
bool WaitAnswering(HANDLE handle, DWORD timeoutMs);

// The full path of this program file.
std::wstring ProgramPath();

// Dates inside the engine: 64-bit seconds since 1970-01-01 UTC, whatever
// width time_t has (32 bits on i686 with msvcrt, where it ends in 2038).
// They span what SYSTEMTIME and FILETIME hold; dates outside clamp to the
// nearest end instead of wrapping.
constexpr int64_t kEarliestSeconds = -11644473600LL;  // 1601-01-01 00:00:00
constexpr int64_t kLatestSeconds = 910670515199LL;    // 30827-12-31 23:59:59
// seconds + delta, clamped (a Max-Age of any size).
int64_t AddSeconds(int64_t seconds, int64_t delta);
int64_t NowSeconds();
// False when t is no date (a field out of range, 31 February); a year
// before 1601 or after 30827 reads as the nearest end.
bool TimeToSeconds(const cef_time_t& t, int64_t* seconds);
bool TimeFromSeconds(int64_t seconds, cef_time_t* t);

}  // namespace cefstub
