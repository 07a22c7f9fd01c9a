#pragma once
// A skin control hosting one engine browser as a child window of the skin
// window. The window thread constructs, lays out, paints and destroys the
// control; the browser is created on the engine's UI thread (posted there
// from DoInit) and kept in a CefBrowserSlot. Owns one reference to its client
// and one to its browser; registered with its paint manager as a message filter.
#include <UIlib.h>

#include "CefBrowserSlot.h"
#include "include/cef_client.h"

class ClientHandlerBase;

class CCefBaseUI : public DuiLib::CControlUI, public DuiLib::IMessageFilterUI {
public:
    // client null: a plain ClientHandlerBase serves this control.
    CCefBaseUI(DuiLib::CPaintManagerUI* manager, CefRefPtr<CefClient> client);
    ~CCefBaseUI() override;

    LPCTSTR GetClass() const override;
    void SetVisible(bool bVisible = true) override;
    void SetInternVisible(bool bVisible = true) override;
    void DoInit() override;
    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;
    virtual void CloseBrowser(bool force);

    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

    // Window thread. Loads url in the main frame, or makes it the start page
    // while the browser does not exist yet.
    void LoadUrl(LPCTSTR url);
    // Any thread. Reloads the page (cache used); nothing without a browser.
    void Reload();
    // Window thread. From now on no callback of the client reaches this
    // control or its owner; one under way is waited for. An owner whose
    // members go before the control does (a dialog, whose controls die with
    // its paint manager after its own members) calls it while they still live.
    void DetachClient();

    // Any thread.
    CefRefPtr<CefBrowser> GetBrowser() const { return m_browser->Get(); }
    // The browser's own window, or null.
    HWND GetBrowserWindow() const;
    HWND GetParentWindow() const { return m_hParentWnd; }
    CefRefPtr<CefClient> GetClient() const { return m_client; }

protected:
    struct CreateArgs {
        CefRefPtr<CefClient> client;
        HWND parent = nullptr;
        RECT rect = {0, 0, 0, 0};
        CefString url;
        bool windowless = false;
        bool transparent = false;
    };
    // Creates the browser on the engine's UI thread (posting there when
    // called elsewhere) and stores it in slot.
    static void CreateBrowser(CefRefPtr<CefBrowserSlot> slot, const CreateArgs& args);
    // Shows or hides the browser window with the control.
    void ShowBrowserWindow(bool show);
    // Every destructor of the chain calls this; the first call does the work:
    // the client stops reaching the control, the browser is closed (force)
    // and a creation still pending closes its browser when it completes.
    void Teardown();

    DuiLib::CPaintManagerUI* m_pPaintManager;  // not owned
    CefRefPtr<CefBrowserSlot> m_browser;
    CefRefPtr<CefClient> m_client;
    ClientHandlerBase* m_pHandler = nullptr;   // the client when it is ours (not owned separately)
    CefString m_url;                           // window thread
    HWND m_hParentWnd;                         // not owned

private:
    bool m_bTornDown = false;
};
