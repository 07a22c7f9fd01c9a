#pragma once
// The native side of every page-callable function of a renderer: a call
// becomes a JS call message to the browser process; the page gets undefined
// and never an exception. One instance per renderer process, shared by all
// functions of all contexts. Render thread.
#include "include/cef_v8.h"

class ClientV8Handler : public CefV8Handler {
public:
    bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
                 CefRefPtr<CefV8Value>& retval, CefString& exception) override;

private:
    IMPLEMENT_REFCOUNTING(ClientV8Handler);
};
