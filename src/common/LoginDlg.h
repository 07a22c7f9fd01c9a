#pragma once
// CLoginDlg (class "LoginDlg", skin "login.xml"): the modal login dialog of
// the main window. Its browser control "Cef_login" shows the login page of
// [main] Login_url. Deletes itself when its window is gone. Window thread,
// except the ICefUIContainer slots (engine UI thread).
#include <UIlib.h>

#include <string>

#include "ICefUIContainer.h"

class CLoginDlg : public DuiLib::WindowImplBase, public ICefUIContainer {
public:
    // iniPath: the qxtarrow.ini that names the login page.
    explicit CLoginDlg(const std::wstring& iniPath);

    // --- Window thread
    LPCTSTR GetWindowClassName() const override { return L"LoginDlg"; }
    void InitWindow() override;
    void OnFinalMessage(HWND hWnd) override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    DuiLib::CControlUI* CreateControl(LPCTSTR pstrClass) override;

    // --- ICefUIContainer: engine UI thread
    int OpenNewPopupWnd(const wchar_t* url, const wchar_t* params) override;
    void HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments,
                      CCefCommonUI* control) override;
    void OnWebPageLoadEnd(CCefCommonUI*, const wchar_t*) override {}
    void NotifyCefTitleChanged(CCefCommonUI*, const wchar_t*) override {}
    void OpenPageGameWebWnd(const wchar_t*, bool) override {}

protected:
    DuiLib::CDuiString GetSkinFile() override { return L"login.xml"; }

private:
    const std::wstring iniPath_;
};
