#pragma once
// The player's small-account windows: the back-end's small-account page for
// the game server of the frame's shown tab, in a modal browser dialog owned
// by the frame (the login dialog's window structure). The page may open the
// game for a small account in a new tab of the frame ("loginSmallAccount"),
// and closes the window itself ("closeModal"); the window stays open until then.
// COpenSmallAccountDlg and CManageSmallAccountDlg differ only in their Kind.
//
// The frame owns the object for the modal run and deletes it afterwards.
// Window thread, except the ICefUIContainer slots (engine UI thread): they
// only post, through the frame's payload queue or this window's, and never
// touch the frame object.
#include <string>

#include "CefDialogBase.h"
#include "PayloadQueue.h"

class CSmallAccountDlg : public CCefDialogBase {
public:
    struct Kind {
        const wchar_t* className;
        const wchar_t* skinFile;
        const wchar_t* title;
        const wchar_t* pageKey;  // [WebGame] key of the page's address
        const wchar_t* logName;  // the class named in the log lines
    };

    // --- Window thread.
    // Shows the window for a tab's request parameter over the frame and
    // returns when it is closed. An empty parameter shows no window: false.
    bool RunModal(const std::wstring& param);
    LPCTSTR GetWindowClassName() const override { return m_kind.className; }
    void InitWindow() override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    // --- ICefUIContainer: engine UI thread.
    void HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments,
                      CCefCommonUI* control) override;
    // A page's popup: the user's default browser (through this window's thread).
    void OpenPageGameWebWnd(const wchar_t* url, bool inNewTab) override;

protected:
    // frame: the player's frame window (owner); framePayloads: the frame's
    // queue, where new tabs are asked for (it outlives the dialog).
    CSmallAccountDlg(HWND frame, PayloadQueue& framePayloads, const Kind& kind);

    DuiLib::CDuiString GetSkinFile() override { return m_kind.skinFile; }
    // The page address of [WebGame] followed directly by the tab parameter.
    std::wstring GetStartUrl() override;

private:
    void LoginSmallAccount(const std::wstring& url, const std::wstring& account);

    const HWND m_frame;  // not owned
    PayloadQueue& m_framePayloads;  // not owned
    const Kind m_kind;
    // The addresses this window opens in the default browser (any thread posts).
    PayloadQueue m_payloads;
    // Set before the window exists, then read on both threads.
    std::wstring m_param;
};
