#pragma once
// The application object of the engine's test programs. In a renderer it
// exposes native functions on every page (window.external is the window),
// turns their calls into process messages to the browser, and answers the
// browser's messages ("Echo", "Run", "KillProcess"). In the browser process
// it records the browser-process callbacks.
#include <atomic>
#include <string>

#include "include/cef_app.h"

class TestApp : public CefApp, public CefBrowserProcessHandler, public CefRenderProcessHandler {
public:
    // Extra switches appended in the browser process before the engine starts.
    explicit TestApp(std::wstring extraSwitch = std::wstring()) : extraSwitch_(std::move(extraSwitch)) {}

    void OnBeforeCommandLineProcessing(const CefString& processType, CefRefPtr<CefCommandLine> commandLine) override;
    CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }
    CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }

    // Browser process.
    void OnContextInitialized() override;
    void OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> commandLine) override;

    // Renderer process.
    void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                          CefRefPtr<CefV8Context> context) override;
    void OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefV8Context> context) override;
    bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source,
                                  CefRefPtr<CefProcessMessage> message) override;

    std::atomic<int> contextInitializedOnUi{0};
    std::atomic<int> contextInitializedElsewhere{0};
    std::atomic<int> childLaunches{0};

private:
    std::wstring extraSwitch_;
    CefRefPtr<CefV8Handler> handler_;
    IMPLEMENT_REFCOUNTING(TestApp);
};

// Names of the native functions every page gets.
constexpr const wchar_t* kTestFunctions[] = {L"probe", L"roundTrip", L"addMyGame"};
