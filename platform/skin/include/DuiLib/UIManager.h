#pragma once
// CPaintManagerUI: one per skin window. Owns the control tree attached to the
// window, routes the window's mouse and keyboard messages to controls as
// TEventUI, sends notifications (TNotifyUI) to the notifiers, paints the tree
// double-buffered, and keeps the window's fonts, images, default attributes
// and named styles. Window thread only (static path helpers: any thread after
// start-up).
#include "UIString.h"
#include <map>
#include <memory>
#include <vector>

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;

struct UILIB_API TNotifyUI {
    CDuiString sType;
    CDuiString sVirtualWnd;
    CControlUI* pSender = nullptr;
    DWORD dwTimestamp = 0;
    POINT ptMouse = {0, 0};
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

struct UILIB_API TEventUI {
    int Type = 0;
    CControlUI* pSender = nullptr;
    DWORD dwTimestamp = 0;
    POINT ptMouse = {0, 0};   // window client coordinates
    TCHAR chKey = 0;
    WORD wKeyState = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Receives every notification of a paint manager.
class INotifyUI {
public:
    virtual void Notify(TNotifyUI& msg) = 0;
protected:
    ~INotifyUI() = default;
};

// Sees the window's messages before the paint manager handles them; setting
// handled stops the message there.
class IMessageFilterUI {
public:
    virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;
protected:
    ~IMessageFilterUI() = default;
};

struct TFontInfo {
    HFONT hFont = nullptr;         // owned by the paint manager
    CDuiString sFontName;
    int iSize = 12;
    bool bBold = false;
    bool bUnderline = false;
    bool bItalic = false;
    TEXTMETRIC tm = {};
};

// A decoded image: premultiplied 32-bit top-down DIB section.
struct TImageInfo {
    HBITMAP hBitmap = nullptr;     // owned by the paint manager
    int nX = 0;
    int nY = 0;
    bool alphaChannel = false;
};

class UILIB_API CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // --- Process-wide paths (set once at start-up).
    static void SetInstance(HINSTANCE hInst);
    static HINSTANCE GetInstance();
    static CDuiString GetInstancePath();          // program folder with trailing backslash
    static void SetResourcePath(LPCTSTR path);    // trailing backslash added when missing
    static const CDuiString& GetResourcePath();
    // Pre-translation for the thread's message loop: true = consumed (then the
    // loop neither translates nor dispatches the message).
    static bool TranslateMessage(const LPMSG pMsg);
    // Runs a plain message loop with the pre-translation until WM_QUIT.
    static void MessageLoop();
    // Where the library's log lines go (default: OutputDebugStringW). One
    // line per call, without line end. Set before the first window.
    typedef void (*LogSink)(const wchar_t* line);
    static void SetLogSink(LogSink sink);

    // --- Window binding.
    void Init(HWND hWnd);
    HWND GetPaintWindow() const;
    HDC GetPaintDC() const;
    POINT GetMousePos() const;
    SIZE GetClientSize() const;
    SIZE GetInitSize() const;
    void SetInitSize(int cx, int cy);
    RECT& GetSizeBox();
    void SetSizeBox(RECT& rcSizeBox);
    RECT& GetCaptionRect();
    void SetCaptionRect(RECT& rcCaption);
    SIZE GetMinInfo() const;
    void SetMinInfo(int cx, int cy);
    SIZE GetMaxInfo() const;
    void SetMaxInfo(int cx, int cy);

    // --- Tree.
    bool AttachDialog(CControlUI* pControl);   // takes ownership of the root
    bool InitControls(CControlUI* pControl, CControlUI* pParent = nullptr);
    void ReapObjects(CControlUI* pControl);    // a control leaves this manager
    CControlUI* GetRoot() const;
    CControlUI* FindControl(POINT pt) const;
    CControlUI* FindControl(LPCTSTR pstrName) const;
    CControlUI* FindSubControlByPoint(CControlUI* pParent, POINT pt) const;
    CControlUI* FindSubControlByName(CControlUI* pParent, LPCTSTR pstrName) const;
    CControlUI* FindSubControlByClass(CControlUI* pParent, LPCTSTR pstrClass, int iIndex = 0);

    bool AddOptionGroup(LPCTSTR pStrGroupName, CControlUI* pControl);
    std::vector<CControlUI*>* GetOptionGroup(LPCTSTR pStrGroupName);
    void RemoveOptionGroup(LPCTSTR pStrGroupName, CControlUI* pControl);
    void RemoveAllOptionGroups();

    // --- Focus and capture.
    CControlUI* GetFocus() const;
    void SetFocus(CControlUI* pControl);
    bool SetNextTabControl(bool bForward = true);
    void SetCapture();
    void ReleaseCapture();
    bool IsCaptured();

    // --- Notifications and filters.
    bool AddNotifier(INotifyUI* pControl);
    bool RemoveNotifier(INotifyUI* pControl);
    // Synchronous (async=false) or queued to run after the current message.
    void SendNotify(TNotifyUI& Msg, bool bAsync = false);
    void SendNotify(CControlUI* pControl, LPCTSTR pstrMessage, WPARAM wParam = 0, LPARAM lParam = 0, bool bAsync = false);
    bool AddPreMessageFilter(IMessageFilterUI* pFilter);
    bool RemovePreMessageFilter(IMessageFilterUI* pFilter);
    bool AddMessageFilter(IMessageFilterUI* pFilter);
    bool RemoveMessageFilter(IMessageFilterUI* pFilter);
    bool AddPostPaint(CControlUI* pControl);
    bool RemovePostPaint(CControlUI* pControl);
    int GetPostPaintCount() const;

    // Frees a record the library allocated and handed out (the menu's MenuCmd).
    // A pointer the library did not hand out, or freed already, is left alone.
    static void DeletePtr(void* ptr);
    // Whether ptr is such a record, handed out and not freed yet. The message
    // that carries one reaches a window every program can post to: check
    // before reading it.
    static bool IsLivePtr(const void* ptr);

    // --- Painting.
    void Invalidate();
    void Invalidate(RECT& rcItem);
    void NeedUpdate();
    bool IsUpdateNeeded() const;
    DWORD GetDefaultDisabledColor() const;
    void SetDefaultDisabledColor(DWORD dwColor);
    DWORD GetDefaultFontColor() const;
    void SetDefaultFontColor(DWORD dwColor);

    // --- Fonts (index order = the skin's Font elements).
    HFONT GetFont(int index);
    HFONT GetDefaultFont();
    TFontInfo* GetFontInfo(int index);
    TFontInfo* GetFontInfo(HFONT hFont);
    HFONT AddFont(int id, LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
    void SetDefaultFont(LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
    int GetFontCount() const;

    // --- Images (path relative to the resource path, '/' or '\').
    const TImageInfo* GetImage(LPCTSTR bitmap);
    // Loads (cached); null and one log line when the file is missing or bad.
    const TImageInfo* GetImageEx(LPCTSTR bitmap);
    void RemoveImage(LPCTSTR bitmap);
    void RemoveAllImages();

    // --- Default attributes per class and named styles.
    void AddDefaultAttributeList(LPCTSTR pStrControlName, LPCTSTR pStrControlAttrList);
    LPCTSTR GetDefaultAttributeList(LPCTSTR pStrControlName) const;
    void AddStyle(LPCTSTR pStrName, LPCTSTR pStrAttrList);
    LPCTSTR GetStyle(LPCTSTR pStrName) const;

    // Window attributes of the skin's root element ("size", "caption" ...).
    void SetWindowAttribute(LPCTSTR pstrName, LPCTSTR pstrValue);
    // The skin file name the window was built from (for log lines).
    void SetSkinFile(LPCTSTR file);
    LPCTSTR GetSkinFile() const;

    // --- Message handling (called by the window procedure).
    bool PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

    // Controls detached while the manager is inside an event or notification
    // are deleted once it has returned.
    void DelayedDelete(CControlUI* pControl);
    bool IsDispatching() const;
    // Brackets code that delivers an event or notification; the outermost
    // EndDispatch runs the deferred deletions.
    void BeginDispatch();
    void EndDispatch();

    struct Impl;
private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace DuiLib
