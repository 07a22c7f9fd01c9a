#pragma once
// The application object of the browser process: adds the engine switches
// of the program (the Flash plug-in among them) before the engine starts, and logs the
// engine's browser-process events. Main thread before the engine starts;
// the engine's threads afterwards.
#include <string>

#include "ClientApp.h"
#include "include/cef_browser_process_handler.h"

class ClientAppBrowser : public ClientApp, public CefBrowserProcessHandler {
public:
    ClientAppBrowser() = default;

    // CefApp
    void OnBeforeCommandLineProcessing(const CefString& process_type,
                                       CefRefPtr<CefCommandLine> command_line) override;
    CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }

    // CefBrowserProcessHandler
    void OnContextInitialized() override;
    void OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) override;

    // The switches of this program (its traits' switch set) for a program in
    // folder (with its trailing backslash).
    static void AppendSwitches(const std::wstring& folder, CefRefPtr<CefCommandLine> command_line);
    static void AppendLauncherSwitches(const std::wstring& folder, CefRefPtr<CefCommandLine> command_line);
    static void AppendPlayerSwitches(const std::wstring& folder, CefRefPtr<CefCommandLine> command_line);
};
