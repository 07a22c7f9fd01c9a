#pragma once
// CGameRunWatch: what the watch of a started game's process decides at each
// check (every 60 s): when the game is first seen, every 300 s of play while
// it runs, and when it is gone, it tells how many seconds to report as run
// time. The caller finds the process and reports. One thread.
#include <windows.h>

class CGameRunWatch {
public:
    struct Step {
        bool started = false;    // first seen now
        bool exited = false;     // gone now, after it had been seen
        int reportSeconds = -1;  // run time to report now; -1: none
    };

    // now: a tick count (ms); running: the watched process exists now.
    Step Check(ULONGLONG now, bool running);

private:
    static constexpr ULONGLONG kReportPeriodMs = 300000;
    static constexpr ULONGLONG kFirstSeenGraceMs = 5000;

    bool found_ = false;
    ULONGLONG startTick_ = 0;
    ULONGLONG lastReportTick_ = 0;
    ULONGLONG lastSeenTick_ = 0;
};
