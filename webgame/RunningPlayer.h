#pragma once
// A player started while another one holds the instance (the launcher found
// no frame yet, or the other one is starting or closing), and the request
// its switch "url" names. Main thread of wWinMain, before any window.
#include <windows.h>

enum class RunningPlayerOutcome {
    Done,      // the running player's frame took the request, or there was none to hand over
    Ended,     // the running player ended: this one may take the instance and open the request itself
    NoAnswer,  // neither in time: the request file is left
};

// Hands the request to the running player's frame, but never to a closing
// one (it would refuse it): then waits for that player to end. Gives up at
// deadline (a GetTickCount64 value).
RunningPlayerOutcome HandRequestToRunningPlayer(ULONGLONG deadline);
