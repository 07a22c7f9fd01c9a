#pragma once
#include "include/cef_base.h"
#include "include/cef_command_line.h"
#include "include/cef_values.h"

class CefPrintHandler : public virtual CefBase {};

// Browser-process events.
class CefBrowserProcessHandler : public virtual CefBase {
public:
    // Engine UI thread, once, after the engine has started.
    virtual void OnContextInitialized() {}
    // Engine UI thread, before a sub-process is started with this command line.
    virtual void OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) { (void)command_line; }
    // Engine UI thread; extra_info reaches the renderer's OnRenderThreadCreated.
    virtual void OnRenderProcessThreadCreated(CefRefPtr<CefListValue> extra_info) { (void)extra_info; }
    virtual CefRefPtr<CefPrintHandler> GetPrintHandler() { return nullptr; }
};
