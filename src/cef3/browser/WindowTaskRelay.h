#pragma once
// CWindowTaskRelay: how a window that hosts browser controls hands what its
// ICefUIContainer slots receive on the engine's UI thread over to its own
// window thread. A task posted through the relay runs on the thread of the
// process's CMainMessageLoopWin (CMainMessageLoopWin::PostTask), in posting
// order, and only while the relay - a member of the window object - still
// exists then: the tasks of a window that is gone meanwhile are dropped
// unrun. A window's browser controls live as long as the window, so a task
// may use the control its slot was given.
//
// Construct and destroy on the window thread. Post from any thread: it reads
// nothing of the relay but its address and serial number, so a slot may
// still post while the window object is being destroyed.
#include <functional>

class CWindowTaskRelay {
public:
    CWindowTaskRelay();
    ~CWindowTaskRelay();
    CWindowTaskRelay(const CWindowTaskRelay&) = delete;
    CWindowTaskRelay& operator=(const CWindowTaskRelay&) = delete;

    // False (and an Error line) when the process has no window-thread loop.
    bool Post(std::function<void()> task) const;

private:
    const unsigned serial_;
};
