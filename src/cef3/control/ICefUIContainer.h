#pragma once
// What a window that hosts browser controls hears from them. Implemented by
// the skin windows that create "Cef" controls; called by the controls'
// clients on the engine's UI thread (not the window thread): an implementer
// hands work to its window thread by posting window messages.
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
