#pragma once
// The launcher's one top-level window (class "QXTarrowMainWnd"), built from
// the skin "WndMainFrame.xml". It hosts the browser views ("Cef" controls)
// and hears their pages through ICefUIContainer. Window thread, except the
// ICefUIContainer slots, which the engine calls on its own UI thread.
//
// The object deletes itself when its window is gone (OnFinalMessage), which
// also ends the window thread's message loop.
#include <UIlib.h>

#include <string>

#include "ICefUIContainer.h"

class CMainWnd : public DuiLib::WindowImplBase, public ICefUIContainer {
public:
    CMainWnd();
    ~CMainWnd() override;

    void SetNoCafeClient(int value) { m_noCafeClient = value; }
    // The start page the lobby view opens: file:///<program folder>/html/index.html
    const std::wstring& StartPageUrl() const { return m_startPageUrl; }

    // --- Window thread
    LPCTSTR GetWindowClassName() const override { return L"QXTarrowMainWnd"; }
    void OnFinalMessage(HWND hWnd) override;
    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    DuiLib::CControlUI* CreateControl(LPCTSTR pstrClass) override;

    // --- ICefUIContainer: engine UI thread
    int OpenNewPopupWnd(const wchar_t* url, const wchar_t* params) override;
    void HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments,
                      CCefCommonUI* control) override;
    void OnWebPageLoadEnd(CCefCommonUI* control, const wchar_t* frameUrl) override;
    void NotifyCefTitleChanged(CCefCommonUI*, const wchar_t*) override {}
    void OpenPageGameWebWnd(const wchar_t*, bool) override {}

protected:
    DuiLib::CDuiString GetSkinFile() override { return L"WndMainFrame.xml"; }

private:
    std::wstring m_programFolder;     // with trailing backslash
    std::wstring m_programFolderUrl;  // the same with '/' for file:/// URLs
    std::wstring m_startPageUrl;
    int m_noCafeClient = 0;
    CCefCommonUI* m_pGameLobby = nullptr;  // owned by the control tree
};
