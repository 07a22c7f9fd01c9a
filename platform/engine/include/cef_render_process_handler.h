#pragma once
#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_process_message.h"
#include "include/cef_v8.h"

#include "include/cef_load_handler.h"

class CefDOMNode : public virtual CefBase {};

// Renderer-process events; render thread.
class CefRenderProcessHandler : public virtual CefBase {
public:
    typedef int NavigationType;

    virtual void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) { (void)extra_info; }
    virtual void OnWebKitInitialized() {}
    virtual void OnBrowserCreated(CefRefPtr<CefBrowser> browser) { (void)browser; }
    virtual void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) { (void)browser; }
    virtual CefRefPtr<CefLoadHandler> GetLoadHandler() { return nullptr; }
    virtual bool OnBeforeNavigation(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                    const CefString& url, NavigationType navigation_type, bool is_redirect) {
        (void)browser; (void)frame; (void)url; (void)navigation_type; (void)is_redirect;
        return false;
    }
    // Called for every new script context (every frame of every page).
    virtual void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                  CefRefPtr<CefV8Context> context) {
        (void)browser; (void)frame; (void)context;
    }
    virtual void OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                   CefRefPtr<CefV8Context> context) {
        (void)browser; (void)frame; (void)context;
    }
    virtual void OnUncaughtException(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                     CefRefPtr<CefV8Context> context, CefRefPtr<CefV8Exception> exception,
                                     CefRefPtr<CefBase> stackTrace) {
        (void)browser; (void)frame; (void)context; (void)exception; (void)stackTrace;
    }
    virtual void OnFocusedNodeChanged(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                      CefRefPtr<CefDOMNode> node) {
        (void)browser; (void)frame; (void)node;
    }
    virtual bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source_process,
                                          CefRefPtr<CefProcessMessage> message) {
        (void)browser; (void)source_process; (void)message;
        return false;
    }
};
