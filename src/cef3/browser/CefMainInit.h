#pragma once
// Engine start of every process of the program, built on the stack of
// wWinMain: settles the process role, keeps one browser process at a time
// (the program's named mutex, CefProgramTraits), runs an engine sub-process
// to its end (the process exits inside the constructor), and initialises the
// engine in the browser process. The destructor shuts the engine down. Main
// thread only.
#include <atomic>

#include "include/cef_app.h"

class CefMainInit : public CefBase {
public:
    CefMainInit(HINSTANCE instance, bool restartAfterUserSwitch, bool& multiThreadedLoop, bool& ok);
    ~CefMainInit() override;

    // True when this process now holds the single-instance mutex (kept until exit).
    static bool IsFirstMainBrowser();
    // True when the start failed because another browser process of the
    // program holds the instance.
    bool OtherInstanceRuns() const { return otherInstanceRuns_; }

    void AddRef() const override;
    bool Release() const override;
    bool HasOneRef() const override;

private:
    mutable std::atomic<int> refCount_{0};
    bool initialized_ = false;
    bool otherInstanceRuns_ = false;
};
