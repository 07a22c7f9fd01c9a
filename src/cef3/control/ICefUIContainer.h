#pragma once
// What a window that hosts browser controls hears from them. Implemented by
// the skin windows that create "Cef" controls; called by the controls'
// clients on the engine's UI thread (not the window thread), while the
// calling control is held so that it cannot go meanwhile.
//
// A slot copies what it needs and posts it to the window thread (the handler
// frees the payload, and finds the control again by name or checks that it
// still exists before using it). A slot never waits for the window thread
// (no SendMessage, no wait on an event the window thread sets): the window
// thread may be removing the control and waiting for the slot to end.
#include "include/cef_values.h"

class CCefCommonUI;

class ICefUIContainer {
public:
    // A page asked for a new window (params null), or the owner's own use.
    virtual int OpenNewPopupWnd(const wchar_t* url, const wchar_t* params) = 0;
    // A page called one of the native functions; arguments as the JS call
    // message carries them. control is the control hosting the page.
    virtual void HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments,
                              CCefCommonUI* control) = 0;
    // A frame (main or sub-frame) of control's page finished loading.
    virtual void OnWebPageLoadEnd(CCefCommonUI* control, const wchar_t* frameUrl) = 0;
    virtual void NotifyCefTitleChanged(CCefCommonUI* control, const wchar_t* title) = 0;
    virtual void OpenPageGameWebWnd(const wchar_t* url, bool inNewTab) = 0;

protected:
    ~ICefUIContainer() = default;
};
