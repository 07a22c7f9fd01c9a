#pragma once
// A plain Win32 window bound to an object: the window of class
// "NormalWnd201705" is created by its creator with the object as creation
// parameter, bound at WM_CREATE and unbound at WM_NCDESTROY; its messages
// go to the virtual handlers below. The object outlives its window: WM_CLOSE
// destroys the window, not the object; destroying the object destroys a
// window that still exists. Window thread only (the creating thread).
#include <windows.h>

extern const wchar_t kNormalWndClassName[];  // "NormalWnd201705"

class CWndBase {
public:
    CWndBase() = default;
    virtual ~CWndBase();
    CWndBase(const CWndBase&) = delete;
    CWndBase& operator=(const CWndBase&) = delete;

    // Registers the class for the module unless it is registered already.
    static bool RegisterWndClass(HINSTANCE instance);
    static LRESULT CALLBACK WndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND GetHWND() const { return hwnd_; }

    virtual LRESULT OnCreate(LPARAM lParam);
    virtual void Destroy();
    virtual void OnDestroy();
    // fromWParam: the DC came with the message instead of from BeginPaint.
    virtual void OnPaint(HDC dc, bool fromWParam);
    virtual void OnTimer(UINT_PTR timerId);
    virtual void OnSize(UINT flags, int cx, int cy);
    virtual void OnMouseMove(UINT flags, int x, int y);
    virtual void OnLButtonDown(UINT flags, int x, int y);
    virtual void OnLButtonUp(UINT flags, int x, int y);
    virtual void OnRButtonUp(UINT flags, int x, int y);
    virtual void OnCommand(WPARAM wParam, LPARAM lParam);
    // The window is gone (after WM_NCDESTROY); the object may delete itself.
    virtual void OnFinalMessage(HWND wnd);
    // Non-zero: the message is handled and the window procedure returns 0.
    virtual LRESULT PreHandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT HandleOtherMessage(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // DefWindowProcW of this window.
    LRESULT Def(UINT message, WPARAM wParam, LPARAM lParam);
    static LPARAM PointParam(int x, int y);

private:
    static LRESULT Dispatch(CWndBase* self, HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;  // owned: destroyed with the object
};
