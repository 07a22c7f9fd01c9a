#pragma once
// CWindowWnd: a window object bound to its HWND (attached at WM_NCCREATE);
// messages go to the virtual HandleMessage. CNotifyPump: routes notifications
// through message maps declared with the DUI_*_MESSAGE_MAP macros.
#include "UIManager.h"

namespace DuiLib {

#define UI_WNDSTYLE_CONTAINER  (0)
#define UI_WNDSTYLE_FRAME      (WS_VISIBLE | WS_OVERLAPPEDWINDOW)
#define UI_WNDSTYLE_CHILD      (WS_VISIBLE | WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)
#define UI_WNDSTYLE_DIALOG     (WS_VISIBLE | WS_POPUPWINDOW | WS_CAPTION | WS_DLGFRAME | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)
#define UI_WNDSTYLE_EX_FRAME   (WS_EX_WINDOWEDGE)
#define UI_WNDSTYLE_EX_DIALOG  (WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME)
#define UI_CLASSSTYLE_CONTAINER (0)
#define UI_CLASSSTYLE_FRAME    (CS_VREDRAW | CS_HREDRAW)
#define UI_CLASSSTYLE_CHILD    (CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS)
#define UI_CLASSSTYLE_DIALOG   (CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS)

class UILIB_API CWindowWnd {
public:
    CWindowWnd();
    virtual ~CWindowWnd();
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    HWND GetHWND() const;
    operator HWND() const;

    bool RegisterWindowClass();
    // Null when the window could not be created (for a skin window: when its
    // skin could not be built). OnFinalMessage is not called for a window
    // whose creation failed.
    HWND Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, const RECT rc, HMENU hMenu = nullptr);
    HWND Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle,
                int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT,
                HMENU hMenu = nullptr);
    HWND Subclass(HWND hWnd);
    void Unsubclass();
    void ShowWindow(bool bShow = true, bool bTakeFocus = true);
    // Disables the owner, runs a message loop (every window of the thread keeps
    // working) until this window is destroyed, re-enables the owner and returns
    // the code given to Close (0 when closed otherwise). The object may delete
    // itself in OnFinalMessage; ShowModal does not touch it afterwards.
    UINT ShowModal();
    // Posts WM_CLOSE with the code; callable from any thread.
    void Close(UINT nRet = IDOK);
    void CenterWindow();
    void SetIcon(UINT nRes);

    LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    void ResizeClient(int cx = -1, int cy = -1);

protected:
    virtual LPCTSTR GetWindowClassName() const = 0;
    virtual LPCTSTR GetSuperClassName() const;
    virtual UINT GetClassStyle() const;
    virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // After WM_NCDESTROY, once every message handler of this window has
    // returned (so a window destroyed inside its own handler is not freed
    // under it). The object may delete itself here.
    virtual void OnFinalMessage(HWND hWnd);

    static LRESULT CALLBACK __WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    WNDPROC m_OldWndProc = nullptr;
    bool m_bSubclassed = false;

private:
    LRESULT Dispatch(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void FinishIfDone(HWND hWnd);

    int m_nDispatchDepth = 0;
    bool m_bFinalPending = false;
    bool m_bCreateFailed = false;
    UINT* m_pModalResult = nullptr;   // ShowModal's local result while it runs
    HWND m_hModalOwner = nullptr;
};

// Message maps. A class declares its map with DUI_DECLARE_MESSAGE_MAP() in its
// body and defines it in a source file:
//     DUI_BEGIN_MESSAGE_MAP(CMainWnd, WindowImplBase)
//         DUI_ON_MSGTYPE(DUI_MSGTYPE_ITEMCLICK, OnItemClick)
//     DUI_END_MESSAGE_MAP()
// Handlers are members "void Handler(TNotifyUI& msg)". The first entry that
// matches handles the notification; unmatched ones go on to the base map.
class UILIB_API CNotifyPump {
public:
    virtual ~CNotifyPump() = default;
    // True when a map entry handled the notification.
    bool NotifyPump(TNotifyUI& msg);
protected:
    virtual bool DuiDispatchMessageMap(TNotifyUI& msg);
};

#define DUI_DECLARE_MESSAGE_MAP() \
protected: \
    bool DuiDispatchMessageMap(::DuiLib::TNotifyUI& msg) override; \
public:

#define DUI_BEGIN_MESSAGE_MAP(theClass, baseClass) \
    bool theClass::DuiDispatchMessageMap(::DuiLib::TNotifyUI& msg) { \
        typedef baseClass DuiBaseClass_;

#define DUI_ON_MSGTYPE(msgtype, memberFxn) \
        if (msg.sType == (msgtype)) { this->memberFxn(msg); return true; }

#define DUI_ON_MSGTYPE_CTRNAME(msgtype, ctrname, memberFxn) \
        if (msg.sType == (msgtype) && msg.pSender && msg.pSender->GetName() == (ctrname)) { \
            this->memberFxn(msg); return true; }

#define DUI_ON_CLICK_CTRNAME(ctrname, memberFxn) \
        DUI_ON_MSGTYPE_CTRNAME(DUI_MSGTYPE_CLICK, ctrname, memberFxn)

#define DUI_ON_SELECTCHANGED_CTRNAME(ctrname, memberFxn) \
        DUI_ON_MSGTYPE_CTRNAME(DUI_MSGTYPE_SELECTCHANGED, ctrname, memberFxn)

#define DUI_END_MESSAGE_MAP() \
        return DuiBaseClass_::DuiDispatchMessageMap(msg); \
    }

}  // namespace DuiLib
