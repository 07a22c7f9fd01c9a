#pragma once
// Small helpers shared by the engine's files: text conversion, the engine's
// own log, handles.
#include <windows.h>
#include <string>

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

}  // namespace cefstub
