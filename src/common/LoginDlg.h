#pragma once
// CLoginDlg (class "LoginDlg", skin "login.xml"): the main window's modal
// login dialog, a browser dialog (CCefDialogBase) whose control "Cef_login"
// shows the login page of [main] Login_url. The page's userLogin call hands
// over the account and closes the dialog; the page's openUrl opens web
// addresses outside the program. The owner runs the dialog modally, then
// reads the login it received and deletes the object.
//
// Window thread, except the ICefUIContainer slots (engine UI thread), which
// copy what they get and hand it to the window thread.
#include <string>

#include "CefDialogBase.h"
#include "JsCallRecord.h"
#include "WindowTaskRelay.h"

class CLoginDlg : public CCefDialogBase {
public:
    struct Login {
        std::wstring account;
        std::wstring nick;
        std::wstring headImageUrl;
    };

    // iniPath: the qxtarrow.ini that names the login page. owner: the main
    // window, whose OpenNewPopupWnd opens the page's type-2 addresses; it
    // outlives the dialog.
    CLoginDlg(const std::wstring& iniPath, ICefUIContainer* owner);

    // --- Window thread
    LPCTSTR GetWindowClassName() const override { return L"LoginDlg"; }
    void OnClick(DuiLib::TNotifyUI& msg) override;
    // True and the login when the page logged in during the run.
    bool GetLogin(Login* login) const;

    // --- ICefUIContainer: engine UI thread
    int OpenNewPopupWnd(const wchar_t* url, const wchar_t* params) override;
    void HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments,
                      CCefCommonUI* control) override;

protected:
    DuiLib::CDuiString GetSkinFile() override { return L"login.xml"; }
    std::wstring GetStartUrl() override;

private:
    // --- Window thread
    void DispatchJsCall(const JsCallRecord& call);
    void OnJsCall_UserLogin(const JsCallRecord& call);
    void OnJsCall_OpenUrl(const JsCallRecord& call);
    void OpenPopup(const std::wstring& url);

    const std::wstring m_iniPath;
    ICefUIContainer* const m_owner;  // not owned
    Login m_login;
    bool m_loggedIn = false;
    CWindowTaskRelay m_taskRelay;
};
