#pragma once
// The self-update chain's dialogs (window class "DlgUpdate"), run one after
// another by CMainWnd::ShowUpdateDlg as modal popups of the main window:
//   CDlgUpdateDetect    asks the update server       -> 20 up to date, 21 update chosen
//   CDlgUpdateLast      "up to date"
//   CDlgUpdating        downloads the package        -> 22 downloaded
//   CDlgUpdateComplete  hands the package to SelfUpdate.exe and ends the launcher
// CDlgUpdateBase holds what they share, among it the link to a dialog's
// worker thread. Window thread; each object deletes itself when its window
// is gone.
#include <UIlib.h>
#include <process.h>

#include <memory>

#include "PayloadQueue.h"
#include "UniqueHandle.h"

class CMainWnd;

// Posted by a dialog's worker thread to the dialog. Any program can post to
// the dialog, so a payload waits in the dialog's PayloadQueue and lParam
// carries its key.
constexpr UINT WM_UPDATE_NOTIFY = 1035;           // detect: lParam key of a std::string; updating: wParam percent
constexpr UINT WM_UPDATE_DOWNLOAD_RESULT = 1036;  // wParam result code, lParam key of a std::wstring (the file)

// ShowModal results of the update dialogs.
enum UpdateDlgResult : UINT {
    kUpdateDlgClosed = 0,
    kUpdateDlgLatest = 20,
    kUpdateDlgChosen = 21,
    kUpdateDlgDownloaded = 22,
};

// What a dialog shares with its worker thread: the dialog's payload queue.
// Both hold it, so the worker may outlive the dialog; once the dialog has
// stopped the queue (its window's end) nothing more reaches the dialog, and
// what waited is freed.
class CUpdateWorkerLink {
public:
    explicit CUpdateWorkerLink(std::shared_ptr<PayloadQueue> payloads) : payloads_(std::move(payloads)) {}
    virtual ~CUpdateWorkerLink() = default;
    CUpdateWorkerLink(const CUpdateWorkerLink&) = delete;
    CUpdateWorkerLink& operator=(const CUpdateWorkerLink&) = delete;

    // Worker thread. False when the dialog has stopped or is gone, or the post failed.
    bool Post(UINT message, WPARAM wParam, LPARAM lParam) { return payloads_->Post(message, wParam, lParam); }
    // Leaves the payload in the queue, its key in lParam; when not posted, it is freed.
    template <typename T>
    bool PostOwned(UINT message, WPARAM wParam, std::unique_ptr<T> payload) {
        return payloads_->PostKeyedInLParam(message, wParam, std::move(payload));
    }
    bool Stopped() const { return !payloads_->Window(); }

private:
    const std::shared_ptr<PayloadQueue> payloads_;
};

class CDlgUpdateBase : public DuiLib::WindowImplBase {
public:
    explicit CDlgUpdateBase(CMainWnd* mainWnd) : m_pMainWnd(mainWnd) {}

    LPCTSTR GetWindowClassName() const override { return L"DlgUpdate"; }
    // Icon, "closebtn" and "okbtn", and the version label: "label_ver" shows
    // the launcher's own version, else "ver" the new one.
    void InitWindow() override;
    void OnFinalMessage(HWND hWnd) override;
    // "closebtn" or "okbtn" close with 0.
    void OnClick(DuiLib::TNotifyUI& msg) override;
    LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

protected:
    // Runs work(context) on a thread of its own that shares the context.
    template <typename Context, unsigned (*Work)(Context&)>
    bool StartWorker(std::shared_ptr<Context> context);
    // How long the window's end waits for a running worker.
    virtual DWORD WorkerWaitMs() const { return 0; }

    CMainWnd* const m_pMainWnd;   // the owner; outlives the dialog
    // The payloads of the worker's messages (shared with the worker's link).
    const std::shared_ptr<PayloadQueue> m_payloads = std::make_shared<PayloadQueue>(L"CDlgUpdate");
    DuiLib::CControlUI* m_pCloseBtn = nullptr;
    DuiLib::CControlUI* m_pOkBtn = nullptr;

private:
    template <typename Context, unsigned (*Work)(Context&)>
    static unsigned __stdcall WorkerMain(void* argument);
    // No more posts, queued payloads freed, a bounded wait; a worker still
    // running then ends on its own.
    void StopWorker();

    Unique<KernelHandleTraits> m_thread;
};

// "You have the latest version"; the chain ends when it closes.
class CDlgUpdateLast : public CDlgUpdateBase {
public:
    using CDlgUpdateBase::CDlgUpdateBase;

protected:
    DuiLib::CDuiString GetSkinFile() override { return L"update_last.xml"; }
};

// The package is downloaded: "okbtn" starts SelfUpdate.exe with it and ends
// the launcher. Nothing else closes it. When the updater does not start, the
// launcher goes on: the dialog says the update failed and "okbtn" closes it.
class CDlgUpdateComplete : public CDlgUpdateBase {
public:
    using CDlgUpdateBase::CDlgUpdateBase;
    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;

protected:
    DuiLib::CDuiString GetSkinFile() override { return L"update_complete.xml"; }

private:
    // False when SelfUpdate.exe could not be started.
    bool StartUpdater();
    void ShowUpdaterFailed();

    bool m_bUpdaterFailed = false;
};

// --- Template members

template <typename Context, unsigned (*Work)(Context&)>
unsigned __stdcall CDlgUpdateBase::WorkerMain(void* argument) {
    std::unique_ptr<std::shared_ptr<Context>> context(static_cast<std::shared_ptr<Context>*>(argument));
    try {
        return Work(**context);
    } catch (...) {
        return 1;   // nothing may leave a thread procedure
    }
}

template <typename Context, unsigned (*Work)(Context&)>
bool CDlgUpdateBase::StartWorker(std::shared_ptr<Context> context) {
    auto* share = new (std::nothrow) std::shared_ptr<Context>(context);
    if (!share) return false;
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &WorkerMain<Context, Work>, share, 0, nullptr));
    if (!thread) {
        delete share;
        return false;
    }
    m_thread.reset(thread);
    return true;
}
