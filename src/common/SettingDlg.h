#pragma once
// CSettingDlg ("setting.xml", class "SettingDlg"): the modal settings dialog
// of the main window. Its options change the main window's AutoRun and
// CloseType flags at once; the main window writes what changed to
// qxtarrow.ini once the dialog has closed (CMainWnd::ShowSettingDlg). While
// it exists its window is known to the main window. Window thread; deletes
// itself when its window is gone.
#include <UIlib.h>

#include <array>

class CMainWnd;

class CSettingDlg : public DuiLib::WindowImplBase {
public:
    explicit CSettingDlg(CMainWnd* mainWnd);
    ~CSettingDlg() override;

    LPCTSTR GetWindowClassName() const override { return L"SettingDlg"; }
    void InitWindow() override;
    void OnFinalMessage(HWND hWnd) override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    void OnSelectChanged(DuiLib::TNotifyUI& msg) override;
    LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    // Enter and Escape get the skin library's default answer.
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

protected:
    DuiLib::CDuiString GetSkinFile() override { return L"setting.xml"; }

private:
    // The dialog's controls, in the order they are looked up.
    enum Control {
        kCloseBtn, kOkBtn, kAccountBtn, kCommonBtn, kDownloadBtn, kMainLayout, kPhoneBindBtn, kIdBindBtn,
        kModifyPasswordBtn, kAutoStart, kMinimize, kExit, kCloudSaveBtn, kModifyPathBtn, kOpenPathBtn,
        kNetLimitBtn, kNetLimitEdit, kMode1Btn, kMode2Btn, kAutoDownloadBtn, kSelectedPathBtn, kControlCount
    };
    static const wchar_t* const kControlNames[kControlCount];

    void SelectOption(Control control);

    CMainWnd* const m_pMainWnd;   // the owner; outlives the dialog
    std::array<DuiLib::CControlUI*, kControlCount> m_controls{};
};
