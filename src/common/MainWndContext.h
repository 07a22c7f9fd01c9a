#pragma once
// CMainWndContext: what the main window shares with its worker threads -
// the HTTP client, the local game table, the program folder and the window
// to post results to. The window holds it through a shared pointer and so
// does every worker it starts, so the context outlives the window object
// (which deletes itself in OnFinalMessage while workers may still run).
//
// Workers receive value copies of what they need and report only by Post:
// a payload waits in the window's PayloadQueue and the message carries its
// key. Once the window is gone, posting fails and the payload is freed.
// Any thread, except SetWindow and taking payloads (window thread).
#include <windows.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "PayloadQueue.h"
#include "http.h"
#include "sqlite_helper.h"

class CMainWndContext : public std::enable_shared_from_this<CMainWndContext> {
public:
    explicit CMainWndContext(const std::wstring& programFolder);
    CMainWndContext(const CMainWndContext&) = delete;
    CMainWndContext& operator=(const CMainWndContext&) = delete;

    const std::wstring& ProgramFolder() const { return programFolder_; }
    CWinHttp& Http() { return http_; }
    CLocalDB& LocalDB() { return localDb_; }

    // The window that receives results; null once it is gone (what still
    // waits for it is freed then).
    void SetWindow(HWND window) { payloads_.SetWindow(window); }
    HWND Window() const { return payloads_.Window(); }
    // The payloads of the messages to the window, and how they are posted.
    PayloadQueue& Payloads() { return payloads_; }

    // PostMessage to the window; false when there is none or the post failed.
    bool Post(UINT message, WPARAM wParam, LPARAM lParam) const { return payloads_.Post(message, wParam, lParam); }
    // Leaves the payload in the window's queue and posts the message with its
    // key in wParam; when not posted, the payload is freed.
    template <typename T>
    bool PostOwned(UINT message, std::unique_ptr<T> payload, LPARAM lParam = 0) {
        return payloads_.PostKeyed(message, std::move(payload), lParam);
    }

    // Runs work on a detached thread that holds the context. False (and a
    // log line) when no thread could be started.
    bool StartWorker(const char* name, std::function<void(CMainWndContext&)> work);
    // Waits until no worker runs or the time is up; true when none runs.
    bool WaitForWorkers(DWORD timeoutMs);
    int RunningWorkers() const;

private:
    const std::wstring programFolder_;
    CWinHttp http_;
    CLocalDB localDb_;

    PayloadQueue payloads_{L"CMainWnd"};

    mutable std::mutex lock_;
    std::condition_variable workersDone_;
    int runningWorkers_ = 0;
};
