// Figures of the player (not a test; tools/bench-webgame.sh runs it):
//   cold start  the launcher's hand-over starts Corrinweb.exe "--url=N" ->
//               the first tab's page has loaded (the player's load-end line)
//   new tab     message 6026 -> that tab's page has loaded
//   memory      working sets of the player's processes with 1 and with 12
//               tabs, and so what one tab more costs
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "HandOverProtocol.h"
#include "Harness.h"
#include "PlayerFixture.h"

namespace {

constexpr int kRuns = 5;

int NowMsOfDay() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return ((t.wHour * 60 + t.wMinute) * 60 + t.wSecond) * 1000 + t.wMilliseconds;
}

// The time of a log line "[hh:mm:ss.mmm]|..." as milliseconds of the day; -1 without one.
int LineMsOfDay(const std::wstring& line) {
    unsigned h = 0, m = 0, s = 0, ms = 0;
    if (swscanf(line.c_str(), L"[%u:%u:%u.%u]", &h, &m, &s, &ms) != 4) return -1;
    return static_cast<int>(((h * 60 + m) * 60 + s) * 1000 + ms);
}

int Median(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// The working sets of every process running from the folder, and how many there are.
SIZE_T WorkingSetsUnder(const std::wstring& folder, int* processes) {
    SIZE_T total = 0;
    *processes = 0;
    for (DWORD id : harness::ProcessesUnder(folder)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof(counters);
        if (process && GetProcessMemoryInfo(process, &counters, sizeof(counters))) {
            total += counters.WorkingSetSize;
            ++*processes;
        }
        if (process) CloseHandle(process);
    }
    return total;
}

class PlayerBench : public PlayerTest {
protected:
    // Milliseconds from startMs to the player's load-end line of url; -1 after the time-out.
    int LoadedAfter(int startMs, const std::wstring& url) {
        const std::wstring end = L"httpStatusCode=200 URL=" + url;
        int at = -1;
        harness::WaitUntil(
            [&] {
                for (const std::wstring& line : PlayerLog()) {
                    if (line.size() >= end.size() && line.compare(line.size() - end.size(), end.size(), end) == 0)
                        at = LineMsOfDay(line);
                }
                return at >= 0;
            },
            kWaitMs);
        return at < 0 ? -1 : at - startMs;
    }
};

TEST_F(PlayerBench, ColdStartNewTabAndMemoryPerTab) {
    std::vector<int> coldStarts, newTabs;
    for (int run = 0; run < kRuns; ++run) {
        const std::wstring first = GameUrl(L"/webgame/game.html?cold=" + std::to_wstring(run));
        const std::wstring second = GameUrl(L"/webgame/game.html?next=" + std::to_wstring(run));
        const int started = NowMsOfDay();
        HWND frame = HandOverAndWaitForFrame(first, L"");
        ASSERT_NE(nullptr, frame) << LogText();
        coldStarts.push_back(LoadedAfter(started, first));
        Sleep(500);
        const int posted = NowMsOfDay();
        ASSERT_GE(launcher_->HandOver(second, L""), 0);
        newTabs.push_back(LoadedAfter(posted, second));
        PostMessageW(frame, WM_NOTIFY_USER_LOGOUT, 0, 0);
        DWORD code = 0;
        ASSERT_TRUE(WaitPlayerExit(kWaitMs, &code));
        ASSERT_TRUE(harness::WaitUntil([] { return FakeLauncher::FindPlayer() == nullptr; }, kWaitMs));
        printf("run %d: cold start -> first page loaded %d ms; 6026 -> new tab loaded %d ms\n", run + 1,
               coldStarts.back(), newTabs.back());
    }

    HWND frame = HandOverAndWaitForFrame(GameUrl(L"/webgame/game.html?tab=0"), L"");
    ASSERT_NE(nullptr, frame);
    ASSERT_TRUE(harness::WaitUntil([&] { return Browsers().size() == 1; }, kWaitMs));
    Sleep(2000);
    int processesOne = 0;
    const SIZE_T one = WorkingSetsUnder(dir_, &processesOne);
    for (int tab = 1; tab < 12; ++tab) {
        const std::wstring url = GameUrl(L"/webgame/game.html?tab=" + std::to_wstring(tab));
        const int posted = NowMsOfDay();
        ASSERT_GE(launcher_->HandOver(url, L""), 0);
        ASSERT_GE(LoadedAfter(posted, url), 0) << LogText();
    }
    Sleep(2000);
    int processesTwelve = 0;
    const SIZE_T twelve = WorkingSetsUnder(dir_, &processesTwelve);
    printf("median of %d: cold start -> first page loaded %d ms (goal <= 1500); 6026 -> new tab loaded %d ms "
           "(goal <= 300)\n",
           kRuns, Median(coldStarts), Median(newTabs));
    printf("memory (working sets): 1 tab %.1f MB in %d processes; 12 tabs %.1f MB in %d processes; "
           "%.1f MB per tab more\n",
           one / 1048576.0, processesOne, twelve / 1048576.0, processesTwelve,
           (static_cast<double>(twelve) - static_cast<double>(one)) / 11 / 1048576.0);
}

}  // namespace
