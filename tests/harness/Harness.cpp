#include "Harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include <tlhelp32.h>

namespace harness {

namespace {

std::wstring ModuleDir() {
    wchar_t path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2 - 1);
    std::wstring text(path, n);
    size_t slash = text.rfind(L'\\');
    return slash == std::wstring::npos ? text : text.substr(0, slash);
}

}  // namespace

std::wstring TestDir() { return ModuleDir(); }

std::wstring ProgramDir() {
    std::wstring dir = ModuleDir();
    size_t slash = dir.rfind(L'\\');
    return (slash == std::wstring::npos ? dir : dir.substr(0, slash)) + L"\\bin";
}

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
    return out;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr, nullptr);
    return out;
}

bool RemoveTree(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileW(path.c_str()) != FALSE;
    }
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return RemoveDirectoryW(path.c_str()) != FALSE;
}

std::wstring CurrentTestName() {
    return Widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

std::wstring MakeScratchDir(const std::wstring& name) {
    std::wstring root = TestDir() + L"\\scratch";
    CreateDirectoryW(root.c_str(), nullptr);
    std::wstring dir = root + L"\\" + name;
    RemoveTree(dir);
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

bool CopyTree(const std::wstring& from, const std::wstring& to) {
    if (!CreateDirectoryW(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((from + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyTree(from + L"\\" + name, to + L"\\" + name) && ok;
        else
            ok = CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) && ok;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return ok;
}

std::wstring CopyProgramDir(const std::wstring& name) {
    std::wstring dir = MakeScratchDir(name);
    if (!CopyTree(ProgramDir(), dir)) return std::wstring();
    // What earlier runs left in the program folder is not part of an install.
    for (const wchar_t* left : {L"Log", L"Temp", L"cookies", L"Dump", L"Tolvane.exe.started.txt",
                                L"SelfUpdate.exe.started.txt", L"orv2_1data", L"orv2_1data-wal", L"orv2_1data-shm",
                                L"gamebtn.dat", L"Skin\\temp"})
        RemoveTree(dir + L"\\" + left);
    return dir;
}

std::string ReadFileBytes(const std::wstring& path) {
    std::string bytes;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) return bytes;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.append(chunk, n);
    fclose(file);
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(20);
    }
}

bool WaitForFile(const std::wstring& path, DWORD timeoutMs) {
    return WaitUntil([&] { return FileExists(path); }, timeoutMs);
}

HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowW(className, title)) != nullptr; }, timeoutMs);
    return found;
}

std::string DescribeExitCode(DWORD code) {
    char text[160];
    const char* why = "";
    switch (code) {
        case 53: why = " (a DLL the program imports was not found)"; break;
        case 0xC0000005: why = " (access violation)"; break;
        case 0xC0000135: why = " (DLL not found)"; break;
        case 0xC0000409: why = " (stack buffer overrun / fail-fast)"; break;
        case 3: why = " (abort)"; break;
        case STILL_ACTIVE: why = " (still running)"; break;
        default: break;
    }
    snprintf(text, sizeof(text), "exit code %lu (0x%lX)%s", static_cast<unsigned long>(code),
             static_cast<unsigned long>(code), why);
    return text;
}

ChildProcess::~ChildProcess() {
    Kill();
    if (process_) CloseHandle(process_);
    if (job_) CloseHandle(job_);
}

bool ChildProcess::Start(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir) {
    return Launch(exe, args, workDir, true);
}

bool ChildProcess::StartSuspended(const std::wstring& exe, const std::wstring& args) {
    return Launch(exe, args, L"", false);
}

bool ChildProcess::Launch(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir, bool resume) {
    // Started again: what the last start left ends first, and its handles go.
    if (process_) {
        Kill();
        CloseHandle(process_);
        process_ = nullptr;
    }
    if (job_) {
        CloseHandle(job_);
        job_ = nullptr;
    }
    std::wstring commandLine = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    job_ = CreateJobObjectW(nullptr, nullptr);
    if (job_) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    }
    std::wstring dir = workDir;
    if (dir.empty()) {
        size_t slash = exe.rfind(L'\\');
        dir = slash == std::wstring::npos ? std::wstring() : exe.substr(0, slash);
    }
    if (!CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &startup, &info)) {
        return false;
    }
    if (job_) AssignProcessToJobObject(job_, info.hProcess);
    if (resume) ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
    return true;
}

bool ChildProcess::Wait(DWORD timeoutMs, DWORD* exitCode) {
    if (!process_) return false;
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    if (exitCode) *exitCode = code;
    return true;
}

namespace {

DWORD ActiveProcessesOf(HANDLE job) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof(info), nullptr)) return 0;
    return info.ActiveProcesses;
}

}  // namespace

// The program itself ends first; what it started (browser renderers, which
// end on their own once their program has gone, after their start-up) gets
// a while to end by itself before the job ends the rest. Under Wine a process cut in the
// middle of its first root-certificate import leaves the next processes'
// secure connections waiting.
void ChildProcess::Kill() {
    if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    if (!job_) return;
    WaitUntil([&] { return ActiveProcessesOf(job_) == 0; }, 15000);
    TerminateJobObject(job_, 1);
}

std::vector<std::wstring> ReadLogLines(const std::wstring& folder, const std::wstring& namePrefix) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\" + namePrefix + L"*.log").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do names.push_back(data.cFileName);
        while (FindNextFileW(find, &data));
        FindClose(find);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::wstring> lines;
    for (const std::wstring& name : names) {
        std::wstring text = Widen(ReadFileBytes(folder + L"\\" + name));
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find(L'\n', start);
            if (end == std::wstring::npos) end = text.size();
            std::wstring line = text.substr(start, end - start);
            if (!line.empty() && line.back() == L'\r') line.pop_back();
            lines.push_back(line);
            start = end + 1;
        }
    }
    return lines;
}

std::string LogText(const std::wstring& folder, const std::wstring& namePrefix) {
    std::string all;
    for (const std::wstring& line : ReadLogLines(folder, namePrefix)) all += Narrow(line) + "\n";
    return all.empty() ? "(no log lines)\n" : all;
}

}  // namespace harness

namespace harness {

std::vector<DWORD> ProcessesUnder(const std::wstring& folder) {
    std::wstring prefix = folder;
    if (!prefix.empty() && prefix.back() != L'\\') prefix += L'\\';
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process) continue;
        wchar_t path[MAX_PATH * 2] = {};
        DWORD size = MAX_PATH * 2;
        if (QueryFullProcessImageNameW(process, 0, path, &size) && _wcsnicmp(path, prefix.c_str(), prefix.size()) == 0)
            ids.push_back(entry.th32ProcessID);
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return ids;
}

namespace {

bool TerminateAndWait(DWORD id) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (!process) return false;
    bool ended = TerminateProcess(process, 1) != FALSE;
    if (ended) WaitForSingleObject(process, 5000);
    CloseHandle(process);
    return ended;
}

BOOL CALLBACK AddWindowOwner(HWND window, LPARAM owners) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    reinterpret_cast<std::vector<DWORD>*>(owners)->push_back(pid);
    return TRUE;
}

}  // namespace

// The programs (the processes that own top-level windows) end first; their
// browser renderers end on their own once their program has gone, and get a
// few seconds for it. Under Wine a process cut in the middle of its first
// root-certificate import leaves the next processes' secure connections waiting.
int KillProcessesUnder(const std::wstring& folder) {
    std::vector<DWORD> owners;
    EnumWindows(AddWindowOwner, reinterpret_cast<LPARAM>(&owners));
    int killed = 0;
    for (DWORD id : ProcessesUnder(folder))
        if (std::find(owners.begin(), owners.end(), id) != owners.end() && TerminateAndWait(id)) ++killed;
    WaitUntil([&] { return ProcessesUnder(folder).empty(); }, 15000);
    for (DWORD id : ProcessesUnder(folder))
        if (TerminateAndWait(id)) ++killed;
    return killed;
}

void SetUrlRecordFile(const std::wstring& path) { SetEnvironmentVariableW(kUrlRecordVariable, path.c_str()); }

std::wstring UrlRecordFile() {
    wchar_t value[MAX_PATH * 2] = {};
    DWORD n = GetEnvironmentVariableW(kUrlRecordVariable, value, MAX_PATH * 2);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(value, n) : std::wstring();
}

bool AppendUrlRecord(const std::wstring& path, const std::wstring& line) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string bytes = Narrow(line) + "\n";
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::vector<std::wstring> RecordedUrls(const std::wstring& path) {
    std::vector<std::wstring> lines;
    std::string text = ReadFileBytes(path);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(Widen(text.substr(start, end - start)));
    return lines;
}

}  // namespace harness
