#include "Startup.h"

#include "Harness.h"
#include "LogWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

bool LogHas(const std::wstring& text) {
    std::vector<std::wstring> lines = harness::ReadLogLines(LogWriter::GetInstance()->LogFolder(), L"startup_tests");
    return std::any_of(lines.begin(), lines.end(), [&](const std::wstring& l) { return l.find(text) != l.npos; });
}

// Runs a command line through CreateProcessA (so through the hook once it is
// installed) and reports whether a process started.
bool RunA(const std::string& commandLine, PROCESS_INFORMATION* info) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, info) != FALSE;
}

void WaitAndClose(PROCESS_INFORMATION* info) {
    WaitForSingleObject(info->hProcess, 10000);
    CloseHandle(info->hProcess);
    CloseHandle(info->hThread);
}

const BYTE* CreateProcessACode() {
    return reinterpret_cast<const BYTE*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateProcessA"));
}

class StartupHooksTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        LogWriter::GetInstance()->levelMask = 127;
        InstallStartupHooks();
    }
};

TEST_F(StartupHooksTest, NotSandboxedCmdIsRefusedWithoutStartingAnything) {
    std::wstring dir = harness::MakeScratchDir(L"refused");
    std::string marker = harness::Narrow(dir) + "\\refused.txt";
    PROCESS_INFORMATION info;
    memset(&info, 0xAB, sizeof(info));
    EXPECT_TRUE(RunA("cmd.exe /c echo NOT SANDBOXED > \"" + marker + "\"", &info));
    // The record is left untouched and nothing ran.
    EXPECT_EQ(reinterpret_cast<HANDLE>(~static_cast<UINT_PTR>(0) / 0xFF * 0xAB), info.hProcess);
    Sleep(300);
    EXPECT_FALSE(harness::FileExists(harness::Widen(marker)));
    EXPECT_EQ(0xE9, CreateProcessACode()[0]);
}

TEST_F(StartupHooksTest, OtherCommandLinesPassThroughAndTheJumpReturns) {
    std::wstring dir = harness::MakeScratchDir(L"passed");
    for (const char* command : {"cmd.exe /c echo plain > ", "CMD.EXE /c echo NOT SANDBOXED > "}) {
        std::string marker = harness::Narrow(dir) + "\\out" + std::to_string(command[0] == 'C') + ".txt";
        PROCESS_INFORMATION info = {};
        ASSERT_TRUE(RunA(command + ("\"" + marker + "\""), &info)) << command;
        WaitAndClose(&info);
        EXPECT_TRUE(harness::WaitForFile(harness::Widen(marker), 5000)) << command;
        EXPECT_EQ(0xE9, CreateProcessACode()[0]) << "hook re-installed after " << command;
    }
}

TEST_F(StartupHooksTest, ASecondCallerWaitsWhileTheHookIsLifted) {
    // While one call is inside the real CreateProcessA (the jump lifted),
    // a second caller of the replacement waits for it to put the jump back,
    // then does the same: afterwards the jump is in place.
    std::wstring dir = harness::MakeScratchDir(L"lifted");
    std::string marker = harness::Narrow(dir) + "\\first.txt";
    std::atomic<bool> lifted{false};
    std::atomic<int> secondError{0};
    std::thread second([&] {
        // Watched without pause: the first call keeps it lifted only while it starts cmd.exe.
        const ULONGLONG deadline = GetTickCount64() + 20000;
        while (CreateProcessACode()[0] == 0xE9) {
            if (GetTickCount64() > deadline) return;
        }
        lifted = true;
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        char missing[] = "Z:\\no\\such\\program.exe";
        SetLastError(0);
        if (!MyCreateProcessA(nullptr, missing, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            secondError = static_cast<int>(GetLastError());
    });
    PROCESS_INFORMATION info = {};
    EXPECT_TRUE(RunA("cmd.exe /c echo first > \"" + marker + "\"", &info));
    second.join();
    if (info.hProcess) WaitAndClose(&info);
    ASSERT_TRUE(lifted.load()) << "the hook was never seen lifted";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, secondError.load());
    EXPECT_EQ(0xE9, CreateProcessACode()[0]) << "the jump was left lifted";
}

LONG WINAPI SomeOtherFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

TEST_F(StartupHooksTest, LaterFilterReplacementIsIgnored) {
    EXPECT_EQ(nullptr, SetUnhandledExceptionFilter(&SomeOtherFilter));
    EXPECT_EQ(nullptr, SetUnhandledExceptionFilter(nullptr));
    EXPECT_TRUE(LogHas(L"[Debug]|MySetUnhandledExceptionFilter is called"));
}

TEST(StartSidePrograms, StartsTolvaneHiddenWithDashSAndLogsTheMissingOne) {
    // The programs are looked for beside this test program: put Tolvane there
    // and leave Ferrule out.
    std::wstring tolvane = harness::TestDir() + L"\\Tolvane.exe";
    std::wstring record = tolvane + L".started.txt";
    DeleteFileW(record.c_str());
    DeleteFileW((harness::TestDir() + L"\\Ferrule.exe").c_str());
    ASSERT_TRUE(CopyFileW((harness::ProgramDir() + L"\\Tolvane.exe").c_str(), tolvane.c_str(), FALSE));
    LogWriter::GetInstance()->levelMask = 127;
    StartSidePrograms();
    ASSERT_TRUE(harness::WaitForFile(record, 10000));
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::ReadFileBytes(record).find(" -s") != std::string::npos; },
                                   5000));
    EXPECT_TRUE(LogHas(L"[Debug]|Tolvane.exe ShellExecute success, Path=" + tolvane));
    EXPECT_TRUE(LogHas(L"[Error]|Ferrule.exe ShellExecute failed, Path=" + harness::TestDir() + L"\\Ferrule.exe"));
}

// A scripted ShellExecuteW for RestartTarrow.
std::vector<std::wstring> g_calls;
std::vector<INT_PTR> g_answers;
HINSTANCE WINAPI FakeShellExecute(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR params, LPCWSTR, INT show) {
    g_calls.push_back(std::wstring(verb) + L"|" + file + L"|" + params + L"|" + std::to_wstring(show));
    INT_PTR answer = g_answers.empty() ? 42 : g_answers.front();
    if (!g_answers.empty()) g_answers.erase(g_answers.begin());
    return reinterpret_cast<HINSTANCE>(answer);
}

class RestartTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        SetRestartShellExecuteForTest(&FakeShellExecute);
    }
    void TearDown() override { SetRestartShellExecuteForTest(nullptr); }
};

TEST_F(RestartTest, StartsItselfShownWithSwitchUserRestart) {
    g_answers = {33};
    EXPECT_TRUE(RestartTarrow());
    ASSERT_EQ(1u, g_calls.size());
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(std::wstring(L"open|") + self + L"|SwitchUserRestart|5", g_calls[0]);
}

TEST_F(RestartTest, FileNotFoundIsTriedOnce) {
    g_answers = {SE_ERR_FNF};
    EXPECT_FALSE(RestartTarrow());
    EXPECT_EQ(1u, g_calls.size());
    EXPECT_TRUE(LogHas(L"Restart tarrow, ShellExecute failed, rv=2, Path="));
}

TEST_F(RestartTest, AccessDeniedIsTriedThreeTimesWithTwoPauses) {
    g_answers = {SE_ERR_ACCESSDENIED, SE_ERR_ACCESSDENIED, SE_ERR_ACCESSDENIED, 42};
    ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(RestartTarrow());
    ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_EQ(3u, g_calls.size());
    // Two pauses of 200 ms; a tick-count step and Wine's timer may each take a little off.
    EXPECT_GE(elapsed, 350u);
    EXPECT_LT(elapsed, 2000u);
}

// The main window object is made through NewOrNull: running out of memory,
// in the allocation or in the constructor, gives null instead of an exception.
struct OutOfMemoryInConstructor {
    OutOfMemoryInConstructor() { throw std::bad_alloc(); }
};
struct OutOfMemoryInAllocation {
    static void* operator new(size_t) { throw std::bad_alloc(); }
    static void operator delete(void* p) { ::operator delete(p); }
};
struct Built {
    explicit Built(int v) : value(v) {}
    int value;
};

TEST(NewOrNull, AnswersNullWhenMemoryRunsOut) {
    EXPECT_EQ(nullptr, NewOrNull<OutOfMemoryInConstructor>());
    EXPECT_EQ(nullptr, NewOrNull<OutOfMemoryInAllocation>());
    Built* built = NewOrNull<Built>(7);
    ASSERT_NE(nullptr, built);
    EXPECT_EQ(7, built->value);
    delete built;
}

}  // namespace
