// Engine start of the launcher's processes, through a small program that
// builds CefMainInit as the launcher's entry does:
//   cef3_start_host.exe [SwitchUserRestart] [--hold-ms=N] [--type=...]
// exit code 0 = engine started (then held N ms), 255 = another browser
// process holds the mutex; a sub-process ends with the engine's exit code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Harness.h"

namespace {
std::wstring Host() { return harness::TestDir() + L"\\cef3_start_host.exe"; }
const DWORD kWaitMs = 30000;
}  // namespace

TEST(CefStart, SecondBrowserProcessWithoutAndWithRestart) {
    harness::ChildProcess first, second, restarted;
    ASSERT_TRUE(first.Start(Host(), L"--hold-ms=4000"));
    // The first holds the mutex once its engine runs.
    DWORD held = GetTickCount();
    ASSERT_TRUE(harness::WaitUntil([&] {
        held = GetTickCount();
        HANDLE m = OpenMutexW(SYNCHRONIZE, FALSE, L"QXVanta_Tarrow_main");
        if (m) CloseHandle(m);
        return m != nullptr;
    }, kWaitMs));
    DWORD code = 0;
    const std::wstring logFolder = harness::TestDir() + L"\\Log";
    const size_t linesBefore = harness::ReadLogLines(logFolder, L"cef3_start_host").size();
    ASSERT_TRUE(second.Start(Host(), L""));
    ASSERT_TRUE(second.Wait(kWaitMs, &code));
    EXPECT_EQ(255u, code);
    // It never initialised the engine, so it does not shut it down either.
    // (Only this run's lines: an earlier run's process may have had its id.)
    wchar_t pid[32];
    swprintf(pid, 32, L"]|[%04x]|", second.Pid());
    int ownLines = 0;
    const std::vector<std::wstring> lines = harness::ReadLogLines(logFolder, L"cef3_start_host");
    for (size_t i = linesBefore; i < lines.size(); ++i) {
        const std::wstring& line = lines[i];
        if (line.find(pid) == std::wstring::npos) continue;
        ++ownLines;
        EXPECT_EQ(std::wstring::npos, line.find(L"CefShutdown")) << harness::Narrow(line);
    }
    EXPECT_LT(0, ownLines);
    // It gave up at once, not when the first ended.
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(first.Handle(), 0));
    // With the restart flag it waits for the first to end (within about 2 s) and starts.
    while (GetTickCount() - held < 3700) Sleep(20);
    ASSERT_TRUE(restarted.Start(Host(), L"SwitchUserRestart"));
    ASSERT_TRUE(first.Wait(kWaitMs, &code));
    EXPECT_EQ(0u, code);
    ASSERT_TRUE(restarted.Wait(kWaitMs, &code));
    EXPECT_EQ(0u, code);
}

namespace {
int CountLines(const std::wstring& prefix, const std::wstring& text) {
    int n = 0;
    for (auto& line : harness::ReadLogLines(harness::TestDir() + L"\\Log", prefix))
        if (line.find(text) != std::wstring::npos) ++n;
    return n;
}
}  // namespace

TEST(CefStart, SubProcessRolesEndInsideTheStartWithTheirOwnLogFiles) {
    int otherBefore = CountLines(L"qxtarrow_other", L"===== WinMain other =====");
    int renderBefore = CountLines(L"qxtarrow_render", L"===== WinMain renderer =====");
    harness::ChildProcess other, renderer;
    ASSERT_TRUE(other.Start(Host(), L"--type=gpu-process"));
    // A renderer whose browser process is not there cannot connect: exit code 1.
    ASSERT_TRUE(renderer.Start(Host(), L"--type=renderer --channel=\\\\.\\pipe\\cefstub-none"));
    DWORD code = 99;
    ASSERT_TRUE(other.Wait(kWaitMs, &code));
    EXPECT_EQ(0u, code);
    ASSERT_TRUE(renderer.Wait(kWaitMs, &code));
    EXPECT_EQ(1u, code);
    EXPECT_EQ(otherBefore + 1, CountLines(L"qxtarrow_other", L"===== WinMain other ====="));
    EXPECT_EQ(renderBefore + 1, CountLines(L"qxtarrow_render", L"===== WinMain renderer ====="));
    EXPECT_LE(1, CountLines(L"qxtarrow_render", L"----- WinMain exit_code=1 -----"));
}
