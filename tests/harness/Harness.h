#pragma once
// Helpers for tests that run under Wine: the program folder of the build,
// scratch folders, child programs with bounded waits, windows, files and the
// programs' log files. Nothing here waits without a time-out.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace harness {

// The build's program folder (laid out as an install), without trailing backslash.
std::wstring ProgramDir();
// The folder of the running test program.
std::wstring TestDir();
// The running GoogleTest test's name (its folder names and report paths).
std::wstring CurrentTestName();
// A fresh, empty folder under the test folder (removed first if it exists).
std::wstring MakeScratchDir(const std::wstring& name);
bool RemoveTree(const std::wstring& path);
// A fresh copy of the program folder under the test folder, so a test owns
// its own qxtarrow.ini, Log, Temp and cookies. Returns the copy's path.
std::wstring CopyProgramDir(const std::wstring& name);
bool CopyTree(const std::wstring& from, const std::wstring& to);

std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

// Polls the condition every 20 ms until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);
bool WaitForFile(const std::wstring& path, DWORD timeoutMs);
// A top-level window of the class (and title, when given); 0 after the time-out.
HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs);

// What an exit code of a program under Wine usually means.
std::string DescribeExitCode(DWORD code);

// A program started by a test. The destructor ends it (and what it started,
// through a job object) if it still runs, so a failing test leaves nothing behind.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // exe is a full path; args is the rest of the command line. Starting again
    // first ends what the last start left, as the destructor does.
    bool Start(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir = L"");
    // Started and left suspended before its loader ran: the process exists
    // with its image name, but its module list cannot be read yet.
    bool StartSuspended(const std::wstring& exe, const std::wstring& args);
    // true and the exit code when the program ended within the time.
    bool Wait(DWORD timeoutMs, DWORD* exitCode);
    void Kill();
    DWORD Pid() const { return pid_; }
    HANDLE Handle() const { return process_; }

private:
    bool Launch(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir, bool resume);

    HANDLE process_ = nullptr;
    HANDLE job_ = nullptr;
    DWORD pid_ = 0;
};

// The ids of the processes whose program file lies in folder (a program
// folder copy of one test).
std::vector<DWORD> ProcessesUnder(const std::wstring& folder);
// Ends every such process: what a failed test left running. Their count.
int KillProcessesUnder(const std::wstring& folder);

// The URL recorder (url_recorder.exe, the test prefix's handler of http and
// https addresses): it appends what the shell gave it as one line to the
// file named by CORRIN_URL_RECORD. SetUrlRecordFile sets that variable for
// this process and what it starts from now on.
constexpr wchar_t kUrlRecordVariable[] = L"CORRIN_URL_RECORD";
void SetUrlRecordFile(const std::wstring& path);
std::wstring UrlRecordFile();
bool AppendUrlRecord(const std::wstring& path, const std::wstring& line);
// The recorded lines, oldest first.
std::vector<std::wstring> RecordedUrls(const std::wstring& path);

// Every line of the log files in folder whose names start with namePrefix
// (UTF-8, read as text), in name order.
std::vector<std::wstring> ReadLogLines(const std::wstring& folder, const std::wstring& namePrefix);
// The same lines joined, for failure messages.
std::string LogText(const std::wstring& folder, const std::wstring& namePrefix);

}  // namespace harness
