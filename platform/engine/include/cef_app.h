#pragma once
// Engine start and shut-down, and the application object of each process.
#include "include/cef_base.h"
#include "include/cef_browser_process_handler.h"
#include "include/cef_command_line.h"
#include "include/cef_render_process_handler.h"

class CefSchemeRegistrar : public virtual CefBase {};
class CefResourceBundleHandler : public virtual CefBase {};

class CefApp : public virtual CefBase {
public:
    // Called with this process's command line before the engine starts
    // (inside CefInitialize in the browser process; process_type empty there).
    virtual void OnBeforeCommandLineProcessing(const CefString& process_type,
                                               CefRefPtr<CefCommandLine> command_line) {
        (void)process_type; (void)command_line;
    }
    virtual void OnRegisterCustomSchemes(CefRefPtr<CefSchemeRegistrar> registrar) { (void)registrar; }
    virtual CefRefPtr<CefResourceBundleHandler> GetResourceBundleHandler() { return nullptr; }
    virtual CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() { return nullptr; }
    virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() { return nullptr; }
};

// Runs a sub-process (command line with "--type=...") to its end and returns
// its exit code (>= 0). Returns -1 in the browser process.
int CefExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> application, void* windows_sandbox_info);
// Starts the engine in the browser process.
bool CefInitialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application,
                   void* windows_sandbox_info);
// Closes every browser, ends the renderers and the engine threads.
void CefShutdown();
void CefDoMessageLoopWork();
void CefRunMessageLoop();
void CefQuitMessageLoop();
