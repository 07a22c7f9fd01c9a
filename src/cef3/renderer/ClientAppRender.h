#pragma once
// The application object of a renderer process. Every new script context
// (each frame of each page) gets window.external = window and one native
// function per name of JsFunctionNameSet, all bound to one ClientV8Handler.
// Created by the engine start in a renderer process; render thread. Shares
// ClientApp's reference count.
#include "ClientApp.h"

class ClientAppRender : public ClientApp, public CefRenderProcessHandler {
public:
    ClientAppRender();
    ~ClientAppRender() override;

    CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }

    void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                          CefRefPtr<CefV8Context> context) override;
    void OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefV8Context> context) override;
    // The launcher's renderer handles no message. The player's takes every
    // message from the browser process and ends itself at once (exit code 0)
    // on "KillProcess".
    bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source_process,
                                  CefRefPtr<CefProcessMessage> message) override;

private:
    CefRefPtr<CefV8Handler> v8Handler_;  // render thread; made at the first context
};
