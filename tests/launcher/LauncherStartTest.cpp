// Starts Corrin.exe from a copy of the program folder and checks what a user
// and the side programs see: the main window, the single-instance mutex, the
// side programs started by every process, a refused second start, and the
// shut-down order in the log.
#include "Harness.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr DWORD kWindowTimeoutMs = 60000;
constexpr DWORD kCrashTimeoutMs = 60000;
constexpr DWORD kAccessViolation = 0xC0000005;

// The processes that parent started from the program file exeName.
std::vector<DWORD> ChildrenNamed(DWORD parent, const wchar_t* exeName) {
    std::vector<DWORD> pids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return pids;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == parent && _wcsicmp(entry.szExeFile, exeName) == 0)
            pids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return pids;
}

// Freezes every thread of a process, so it answers nothing and never ends
// by itself; see Frozen.
void Freeze(DWORD pid) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, snapshot);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid) continue;
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (thread) {
            SuspendThread(thread);
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
}

// Processes frozen by a test, ended when it ends, so that nothing hung is
// left for the tests after it.
struct Frozen {
    std::vector<DWORD> pids;
    ~Frozen() {
        for (DWORD pid : pids) {
            HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
            if (!process) continue;
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
};

// Makes the process crash: a new thread of it starts at an address that
// holds no code.
bool CrashInside(HANDLE process) {
    auto nowhere = reinterpret_cast<LPTHREAD_START_ROUTINE>(static_cast<UINT_PTR>(0x10));
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, nowhere, nullptr, 0, nullptr);
    if (!thread) return false;
    CloseHandle(thread);
    return true;
}

size_t CountFiles(const std::wstring& pattern) {
    size_t n = 0;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do ++n;
    while (FindNextFileW(find, &data));
    FindClose(find);
    return n;
}

class LauncherStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = harness::CopyProgramDir(L"launcher_" + harness::CurrentTestName());
        ASSERT_FALSE(dir_.empty());
        // Debug lines too, so the start-up and shut-down steps are visible; no
        // autostart value (a later Wine session would start this copy).
        ASSERT_TRUE(harness::WriteFileBytes(dir_ + L"\\qxtarrow.ini", "[main]\r\nLogLevel=127\r\nAutoRun=0\r\n"));
        exe_ = dir_ + L"\\Corrin.exe";
    }

    HWND StartAndWaitForWindow(harness::ChildProcess& corrin, const std::wstring& args = L"") {
        if (!corrin.Start(exe_, args)) return nullptr;
        return harness::WaitForWindow(L"QXTarrowMainWnd", L"QuillexTarrow", kWindowTimeoutMs);
    }

    std::vector<std::wstring> Log() const { return harness::ReadLogLines(dir_ + L"\\Log", L"corrin"); }
    std::string LogText() const { return harness::LogText(dir_ + L"\\Log", L""); }
    bool LogHas(const std::wstring& text) const {
        std::vector<std::wstring> lines = Log();
        return std::any_of(lines.begin(), lines.end(), [&](const std::wstring& l) { return l.find(text) != l.npos; });
    }
    size_t LogIndex(const std::wstring& text) const {
        std::vector<std::wstring> lines = Log();
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].find(text) != std::wstring::npos) return i;
        }
        return std::wstring::npos;
    }
    int SideProgramStarts(const wchar_t* record) const {
        std::string text = harness::ReadFileBytes(dir_ + L"\\" + record);
        return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    }

    std::wstring dir_;
    std::wstring exe_;
};

TEST_F(LauncherStartTest, ShowsMainWindowHoldsMutexAndShutsDownInOrder) {
    harness::ChildProcess corrin;
    HWND window = StartAndWaitForWindow(corrin);
    ASSERT_NE(nullptr, window) << LogText();
    RECT rect = {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(1280, rect.right - rect.left);
    EXPECT_EQ(800, rect.bottom - rect.top);

    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"QXVanta_Tarrow_main");
    EXPECT_NE(nullptr, mutex) << "the browser process holds the single-instance mutex";
    if (mutex) CloseHandle(mutex);

    // The browser process and its renderer each start both side programs.
    EXPECT_TRUE(harness::WaitUntil([&] { return SideProgramStarts(L"Tolvane.exe.started.txt") >= 2; }, 30000))
        << harness::ReadFileBytes(dir_ + L"\\Tolvane.exe.started.txt");
    EXPECT_NE(std::string::npos, harness::ReadFileBytes(dir_ + L"\\Tolvane.exe.started.txt").find("\" -s"));
    EXPECT_TRUE(LogHas(L"[Debug]|Ferrule.exe ShellExecute success, Path=" + dir_ + L"\\Ferrule.exe"));
    EXPECT_TRUE(harness::WaitUntil([&] { return LogHas(L"[Info]|is_multi_threaded_message_loop"); }, 10000));
    // The lobby view opens the local start page.
    std::wstring startPage = L"file:///" + dir_ + L"/html/index.html";
    std::replace(startPage.begin(), startPage.end(), L'\\', L'/');
    EXPECT_TRUE(harness::WaitUntil([&] { return LogHas(L"OnWebPageLoadEnd cef=Cef_Game_lobby url=" + startPage); }, 30000))
        << LogText();

    // The engine keeps its cookies in the program folder's "cookies", and
    // writes no log of its own.
    DWORD cache = GetFileAttributesW((dir_ + L"\\cookies").c_str());
    EXPECT_TRUE(cache != INVALID_FILE_ATTRIBUTES && (cache & FILE_ATTRIBUTE_DIRECTORY));

    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(corrin.Wait(30000, &code)) << LogText();
    EXPECT_EQ(0u, code) << harness::DescribeExitCode(code);
    EXPECT_FALSE(harness::FileExists(dir_ + L"\\Log\\webkit.log"));
    size_t outLoop = LogIndex(L"[Debug]|---- WinMain out loop ----");
    size_t shutdown = LogIndex(L"[Debug]|CefShutdown done");
    size_t exitLine = LogIndex(L"[Debug]|==== WinMain exit ====");
    ASSERT_NE(std::wstring::npos, outLoop) << LogText();
    EXPECT_LT(outLoop, shutdown) << LogText();
    EXPECT_LT(shutdown, exitLine) << LogText();
}

TEST_F(LauncherStartTest, SecondStartIsRefusedAtOnceWithoutRestartFlag) {
    // No LogLevel: every level but Debug is written.
    ASSERT_TRUE(harness::WriteFileBytes(dir_ + L"\\qxtarrow.ini", "[main]\r\n"));
    harness::ChildProcess first;
    ASSERT_NE(nullptr, StartAndWaitForWindow(first)) << LogText();
    harness::ChildProcess second;
    ASSERT_TRUE(second.Start(exe_, L""));
    DWORD code = 0;
    ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(second.Wait(30000, &code));
    EXPECT_EQ(static_cast<DWORD>(-1), code) << harness::DescribeExitCode(code);
    EXPECT_LT(GetTickCount64() - start, 15000u);
    EXPECT_TRUE(LogHas(L"[Warning]|QXVanta_Tarrow is running, so exit this time."));
    EXPECT_TRUE(LogHas(L"[Error]|cef_main_init failed"));
    EXPECT_TRUE(LogHas(L"[Info]|----- WinMain browser exit ----"));
    EXPECT_TRUE(LogHas(L"[Info]|is_multi_threaded_message_loop"));
    EXPECT_FALSE(LogHas(L"[Debug]|")) << LogText();
}

TEST_F(LauncherStartTest, CrashDumpsOnlyWhileTheLoopRuns) {
    // Writing a whole dump of the launcher takes minutes under Wine on a busy
    // machine; the dump file appears as soon as the writing starts.
    const std::wstring dumps = dir_ + L"\\Dump\\*_QXORV_Box.dmp";
    {
        harness::ChildProcess corrin;
        ASSERT_NE(nullptr, StartAndWaitForWindow(corrin)) << LogText();
        ASSERT_TRUE(CrashInside(corrin.Handle()));
        EXPECT_TRUE(harness::WaitUntil([&] { return CountFiles(dumps) == 1; }, kCrashTimeoutMs))
            << "a crash while the window runs leaves a dump";
        corrin.Kill();
    }
    // Once the loop has ended: hold the shut-down in the engine (its renderer
    // is frozen, so the engine waits for it), then crash.
    harness::ChildProcess corrin;
    HWND window = StartAndWaitForWindow(corrin);
    ASSERT_NE(nullptr, window) << LogText();
    Frozen renderers;
    ASSERT_TRUE(harness::WaitUntil(
        [&] { return !(renderers.pids = ChildrenNamed(corrin.Pid(), L"Corrin.exe")).empty(); }, 30000));
    for (DWORD renderer : renderers.pids) Freeze(renderer);
    const size_t before = Log().size();
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(harness::WaitUntil([&] {
        std::vector<std::wstring> lines = Log();
        return std::any_of(lines.begin() + static_cast<std::ptrdiff_t>(std::min(before, lines.size())), lines.end(),
                           [](const std::wstring& l) { return l.find(L"[Debug]|call CefShutdown...") != l.npos; });
    }, 30000)) << LogText();
    ASSERT_TRUE(CrashInside(corrin.Handle())) << "the shut-down was not held";
    DWORD code = 0;
    EXPECT_TRUE(harness::WaitUntil([&] { return corrin.Wait(0, &code) || CountFiles(dumps) > 1; }, kCrashTimeoutMs));
    EXPECT_EQ(1u, CountFiles(dumps)) << "a crash after the loop left a dump";
    EXPECT_EQ(kAccessViolation, code) << harness::DescribeExitCode(code);
}

TEST_F(LauncherStartTest, RestartFlagWaitsForTheFirstInstance) {
    harness::ChildProcess first;
    ASSERT_NE(nullptr, StartAndWaitForWindow(first)) << LogText();
    harness::ChildProcess second;
    ASSERT_TRUE(second.Start(exe_, L"SwitchUserRestart"));
    // While the first runs, the second keeps trying the mutex for about two seconds...
    Sleep(500);
    DWORD code = 0;
    EXPECT_FALSE(second.Wait(0, &code)) << "the second start gave up before its retries";
    // ...and proceeds once the first is gone.
    first.Kill();
    HWND window = harness::WaitForWindow(L"QXTarrowMainWnd", L"QuillexTarrow", kWindowTimeoutMs);
    if (!window) {
        // The retries ran out before the first ended: that is a refused start.
        ASSERT_TRUE(second.Wait(30000, &code));
        EXPECT_EQ(static_cast<DWORD>(-1), code);
        GTEST_SKIP() << "first instance ended too late for the retries on this machine";
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    EXPECT_EQ(second.Pid(), pid);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(second.Wait(30000, &code));
    EXPECT_EQ(0u, code);
}

TEST_F(LauncherStartTest, NoMainWindowEndsTheProcessAndFreesTheMutex) {
    // A broken install: the main window's skin is missing, so no window can be made.
    ASSERT_TRUE(DeleteFileW((dir_ + L"\\Skin\\WndMainFrame.xml").c_str()));
    harness::ChildProcess corrin;
    ASSERT_TRUE(corrin.Start(exe_, L""));
    DWORD code = 1;
    ASSERT_TRUE(corrin.Wait(60000, &code)) << "the process kept running without a window\n" << LogText();
    EXPECT_EQ(0u, code) << harness::DescribeExitCode(code);
    EXPECT_TRUE(LogHas(L"[Error]|main window create failed")) << LogText();
    // The engine is shut down as after any other set-up failure.
    EXPECT_LT(LogIndex(L"[Error]|main window create failed"), LogIndex(L"[Debug]|CefShutdown done")) << LogText();
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"QXVanta_Tarrow_main");
    EXPECT_EQ(nullptr, mutex) << "the single-instance mutex outlived the process";
    if (mutex) CloseHandle(mutex);
}

}  // namespace
