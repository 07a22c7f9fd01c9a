#pragma once
// CMainWndContext: what the main window shares with its worker threads -
// the HTTP client, the local game table, the program folder and the window
// to post results to. The window holds it through a shared pointer and so
// does every worker it starts, so the context outlives the window object
// (which deletes itself in OnFinalMessage while workers may still run).
//
// Workers receive value copies of what they need and report only by Post:
// once the window is gone, posting fails and the payload is freed by its
// sender. Any thread, except SetWindow (window thread).
#include <windows.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

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

    // The window that receives results; null once it is gone.
    void SetWindow(HWND window);
    HWND Window() const;

    // PostMessage to the window; false when there is none or the post failed.
    bool Post(UINT message, WPARAM wParam, LPARAM lParam) const;
    // Posts a heap payload in wParam; on success the handler owns it, on
    // failure it is freed here.
    template <typename T>
    bool PostOwned(UINT message, std::unique_ptr<T> payload, LPARAM lParam = 0) const {
        if (!Post(message, reinterpret_cast<WPARAM>(payload.get()), lParam)) return false;
        payload.release();
        return true;
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

    mutable std::mutex lock_;
    std::condition_variable workersDone_;
    HWND window_ = nullptr;  // not owned
    int runningWorkers_ = 0;
};
