#include "GameRunWatch.h"

CGameRunWatch::Step CGameRunWatch::Check(ULONGLONG now, bool running) {
    Step step;
    if (running && !found_) {
        found_ = true;
        startTick_ = lastReportTick_ = now;
        lastSeenTick_ = now + kFirstSeenGraceMs;
        step.started = true;
    } else if (running) {
        lastSeenTick_ = now;
        if (now - lastReportTick_ >= kReportPeriodMs) {
            lastReportTick_ = now;
            step.reportSeconds = static_cast<int>(kReportPeriodMs / 1000);
        }
    } else if (found_) {
        // Gone: the time since the last report, once; the next sighting starts anew.
        found_ = false;
        lastSeenTick_ = now;
        step.exited = true;
        step.reportSeconds = static_cast<int>((lastSeenTick_ - lastReportTick_) / 1000);
    }
    return step;
}
