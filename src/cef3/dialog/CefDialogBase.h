#pragma once
// The window structure of the browser dialogs (the launcher's login dialog,
// the player's small-account windows): a skin popup, run modally by its
// owner, holding one browser control (skin class "Cef") that shows the page
// GetStartUrl names, with a transparent bar (CWndTransBar, class
// "NormalWnd201705") laid over it and kept on it by a window magnet. The
// bar's close button, like the skin's "closebtn", closes the dialog.
//
// A derived dialog names its window class and skin file, its page, the bar's
// extended style, and answers its page's calls (ICefUIContainer; every slot
// does nothing here). Whether the object deletes itself in OnFinalMessage is
// the derived dialog's choice (here: it does not).
//
// Window thread, except the ICefUIContainer slots, which the engine calls on
// its own UI thread while it holds the browser control's lock: they must not
// wait for the window thread; they post to it (Close posts).
#include <UIlib.h>

#include <string>
#include <vector>

#include "ICefUIContainer.h"
#include "WindowMagnet.h"
#include "WndTransBar.h"

class CCefDialogBase : public DuiLib::WindowImplBase, public ICefUIContainer {
public:
    ~CCefDialogBase() override;

    // --- Window thread.
    // Icon 102, "closebtn", then the bar: created once as a popup owned by
    // the dialog, sized to it, docked at (0, 0) with the dialog's size
    // (anchor left and top), its close button sending the dialog WM_CLOSE.
    void InitWindow() override;
    // "closebtn" closes the dialog (code 0).
    void OnClick(DuiLib::TNotifyUI& msg) override;
    // "Cef" (any case): a browser control owned by this dialog, showing GetStartUrl().
    DuiLib::CControlUI* CreateControl(LPCTSTR pstrClass) override;
    // The browser control stops calling this dialog (its page may still call
    // while the window and then the object go: the control outlives the
    // dialog's own members, dying with the paint manager); the bar leaves the
    // magnet and is destroyed; the message goes on.
    LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    // WM_SHOWWINDOW shows the bar (without activating it) or hides it; the message goes on.
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    // The bar's window, or null (for tests and derived dialogs).
    HWND GetBarWindow() const { return m_transBar.GetHWND(); }

    // --- ICefUIContainer: engine UI thread; nothing by default.
    int OpenNewPopupWnd(const wchar_t*, const wchar_t*) override { return 0; }
    void HandleJSCall(const wchar_t*, CefRefPtr<CefListValue>, CCefCommonUI*) override {}
    void OnWebPageLoadEnd(CCefCommonUI*, const wchar_t*) override {}
    void NotifyCefTitleChanged(CCefCommonUI*, const wchar_t*) override {}
    void OpenPageGameWebWnd(const wchar_t*, bool) override {}

protected:
    // barExStyle: the bar window's extended style (the login dialog's bar is
    // also topmost; the small-account windows' is a tool window only).
    explicit CCefDialogBase(DWORD barExStyle);

    // The address the browser control loads; asked once, while the skin is built.
    virtual std::wstring GetStartUrl() = 0;

    DuiLib::CControlUI* m_pCloseBtn = nullptr;

private:
    const DWORD m_barExStyle;
    std::vector<CCefCommonUI*> m_cefControls;  // not owned (the control tree owns them)
    CWndTransBar m_transBar;
    WindowMagnet m_magnet;
};
