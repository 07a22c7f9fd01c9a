#pragma once
// The player's one frame window (class "QXWebGameFrame", skin
// "GameFrame.xml"): a title bar with the user's nick and head image and the
// player's buttons, a tab strip, and one browser control per tab in
// "BodyLayout". It takes the launcher's hand-over requests (the switch
// "url", message 6026, the files in Temp), keeps the account cookie, and
// obeys the launcher's 6027 (log out and close) and 6028 (show or hide).
//
// Window thread, except the ICefUIContainer slots, which the engine calls on
// its own UI thread: they only copy what they are given and post it to the
// window thread (the payload waits in the frame's PayloadQueue). The object
// deletes itself when its window is gone (OnFinalMessage), which also ends
// the window thread's message loop.
#include <UIlib.h>

#include <map>
#include <string>
#include <vector>

#include "ICefUIContainer.h"
#include "PayloadQueue.h"

class CCefCommonUI;
class CSmallAccountDlg;

class CMainWnd : public DuiLib::WindowImplBase, public ICefUIContainer {
public:
    CMainWnd();
    ~CMainWnd() override;

    // Brackets a modal run (a message box, a modal dialog) owned by the
    // frame. A close asked for while one runs first ends the modal window,
    // then happens once the run is over.
    class ModalRun {
    public:
        explicit ModalRun(CMainWnd& frame) : frame_(frame) { ++frame_.m_modalDepth; }
        ~ModalRun() { --frame_.m_modalDepth; }
        ModalRun(const ModalRun&) = delete;
        ModalRun& operator=(const ModalRun&) = delete;

    private:
        CMainWnd& frame_;
    };

    // --- Account cookie (window thread; each waits for the engine, bounded).
    void WriteTokenToCookie(const std::wstring& token);
    void ClearAccountCookie();

    // --- Window thread: the window base.
    LPCTSTR GetWindowClassName() const override;
    void OnFinalMessage(HWND hWnd) override;
    void InitWindow() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    void OnSelectChanged(DuiLib::TNotifyUI& msg) override;
    DuiLib::CControlUI* CreateControl(LPCTSTR pstrClass) override;
    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    DUI_DECLARE_MESSAGE_MAP()
    virtual void OnItemClick(DuiLib::TNotifyUI& msg);

    // --- ICefUIContainer: engine UI thread.
    int OpenNewPopupWnd(const wchar_t* url, const wchar_t* params) override;
    void HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments,
                      CCefCommonUI* control) override;
    void OnWebPageLoadEnd(CCefCommonUI* control, const wchar_t* frameUrl) override;
    void NotifyCefTitleChanged(CCefCommonUI* control, const wchar_t* title) override;
    void OpenPageGameWebWnd(const wchar_t* url, bool inNewTab) override;

protected:
    DuiLib::CDuiString GetSkinFile() override { return L"GameFrame.xml"; }

private:
    // --- Hand-over intake (GameFrame.cpp).
    std::wstring GetLoginCookie();
    void CreatUserHeader();
    void CreateCefUI(unsigned requestNumber);
    void OnWindowInit();
    void OpenRequestOfSwitch();
    void OnNewRequest(unsigned requestNumber);
    void OnPendingPage(WPARAM wParam);
    bool RefuseWhileClosing(unsigned requestNumber);
    void OnCloseCefWnd(HWND window);
    void OnMenuClick(WPARAM record);
    bool ReadTempFile(const std::wstring& path, std::wstring* text);
    void ShowHeadImage();
    void RestoreIfMinimized();

    // --- Window state and closing (GameFrame.cpp).
    void SetMaximized(bool maximized);
    void MoveFunbtn();
    void CloseSequence();
    void PrepareExit();
    bool DeferCloseWhileModal(UINT uMsg, WPARAM wParam, LPARAM lParam);

    // --- Title-bar features: screenshot and small-account windows
    // (GameFrameTitleBar.cpp), the mute button (GameFrame.cpp).
    void Screenshot();
    void RunSmallAccountWindow(CSmallAccountDlg& dialog);
    void ToggleSound();

    // --- Tabs (GameFrameTabs.cpp).
    void CreateCefUI(const std::wstring& url, const std::wstring& param);
    void DoCreateWebTab(CCefCommonUI* control, const wchar_t* text);
    void AdjustWebTabSize(int extra);
    void CloseCefUI(DuiLib::CControlUI* closeButton, bool relayout);
    void ApplyTitleChange(CCefCommonUI* control, const std::wstring& title);
    void UpdateAccountButtons(CCefCommonUI* shown);
    // The request parameter of the tab shown in BodyLayout (empty without one).
    std::wstring ShownTabParam() const;
    void OpenInDefaultBrowser(const std::wstring& url);
    void ReloadShownTab();

    // Controls looked up in InitWindow (owned by the control tree).
    DuiLib::CControlUI* m_pCloseBtn = nullptr;
    DuiLib::CControlUI* m_pMaxBtn = nullptr;
    DuiLib::CControlUI* m_pRestoreBtn = nullptr;
    DuiLib::CControlUI* m_pMinBtn = nullptr;
    DuiLib::CControlUI* m_pFreshBtn = nullptr;
    DuiLib::CControlUI* m_pScreenshotBtn = nullptr;
    DuiLib::CControlUI* m_pCustomerService = nullptr;
    DuiLib::CLabelUI* m_pDisableSound = nullptr;
    DuiLib::CControlUI* m_pSmallAccount = nullptr;
    DuiLib::CControlUI* m_pManageAccount = nullptr;
    DuiLib::CLabelUI* m_pFullScreenBtn = nullptr;
    DuiLib::CContainerUI* m_pTabBar = nullptr;
    DuiLib::CLabelUI* m_pUserNick = nullptr;
    DuiLib::CControlUI* m_pHeaderBtn = nullptr;
    DuiLib::CContainerUI* m_pFunBtn = nullptr;
    DuiLib::CTabLayoutUI* m_pBodyLayout = nullptr;

    std::wstring m_pendingPage;  // the switch "url" (a request number)
    int m_tabCounter = 0;
    int m_screenshotCounter = 0;
    int m_tabWidth;
    std::map<CCefCommonUI*, DuiLib::COptionUI*> m_tabOfCef;              // A
    std::map<DuiLib::CControlUI*, CCefCommonUI*> m_cefOfTab;             // B
    std::map<DuiLib::CControlUI*, CCefCommonUI*> m_cefOfCloseButton;     // C
    std::map<CCefCommonUI*, std::wstring> m_paramOfCef;                  // D
    std::map<CCefCommonUI*, std::wstring> m_smallAccountTitleOfCef;      // E
    HWND m_hLauncherWnd = nullptr;  // not owned
    std::wstring m_programFolder;   // with trailing backslash
    std::wstring m_userNick;
    std::wstring m_headImagePath;
    bool m_muted = false;
    bool m_maximized = false;
    std::wstring m_pendingSmallAccountTitle;

    int m_modalDepth = 0;               // modal runs and the system's move, size and menu loops
    bool m_windowInitDone = false;
    // Set when the close sequence begins: from then on no hand-over request
    // opens a tab; its file is left for the next player.
    bool m_closing = false;
    std::vector<unsigned> m_earlyRequests;  // 6026 before "windowinit"
    // The payloads of 5025 and 5027 (any thread posts; the window thread
    // takes). Its window is set in InitWindow and cleared when it is destroyed.
    PayloadQueue m_payloads{L"CMainWnd"};
};
