#include "ClientV8Handler.h"

#include "JsCallMessage.h"
#include "LogWriter.h"

bool ClientV8Handler::Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
                              CefRefPtr<CefV8Value>& retval, CefString& exception) {
    (void)object;
    (void)retval;
    (void)exception;
    CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
    LOG_DEBUG(L"ClientV8Handler.Execute this=0x%p, name=%s context=0x%p", static_cast<void*>(this), name.c_str(),
              static_cast<void*>(context.get()));
    try {
        CefRefPtr<CefProcessMessage> message = CreateJsCallMessage(name, arguments);
        CefRefPtr<CefBrowser> browser = context ? context->GetBrowser() : nullptr;
        if (message && browser) browser->SendProcessMessage(PID_BROWSER, message);
    } catch (...) {
        // Out of memory for what the page passed: the call is dropped.
        LOG_ERROR(L"ClientV8Handler.Execute name=%s dropped: no memory", name.c_str());
    }
    LOG_DEBUG(L"ClientV8Handler.Execute out");
    return true;
}
