#pragma once
// CDlgScreenshot ("screenshot.xml", class "DlgScreenshot"): the modal dialog
// for the player's screenshot folder. "okbtn" stores the edited folder in the
// main window and in qxtarrow.ini ([WebGame] ScreenshotFullPath, which the
// player reads); "browsebtn" picks a folder with the shell's folder picker.
// Window thread; deletes itself when its window is gone.
#include <UIlib.h>

class CMainWnd;

class CDlgScreenshot : public DuiLib::WindowImplBase {
public:
    explicit CDlgScreenshot(CMainWnd* mainWnd) : m_pMainWnd(mainWnd) {}

    LPCTSTR GetWindowClassName() const override { return L"DlgScreenshot"; }
    void InitWindow() override;
    void OnFinalMessage(HWND hWnd) override;
    void OnClick(DuiLib::TNotifyUI& msg) override;

protected:
    DuiLib::CDuiString GetSkinFile() override { return L"screenshot.xml"; }

private:
    void SaveFolder();
    void BrowseForFolder();

    CMainWnd* const m_pMainWnd;   // the owner; outlives the dialog
    DuiLib::CControlUI* m_pCloseBtn = nullptr;
    DuiLib::CControlUI* m_pOkBtn = nullptr;
    DuiLib::CControlUI* m_pBrowseBtn = nullptr;
    DuiLib::CControlUI* m_pPathEdit = nullptr;
};
