#pragma once
// The application object of the engine's sub-processes that are neither the
// browser nor a renderer. Every engine operation keeps the engine's default.
// Base of the browser process's ClientAppBrowser, which shares its reference count.
#include "include/cef_app.h"

class ClientApp : public CefApp {
public:
    ClientApp() = default;

protected:
    ~ClientApp() override = default;

private:
    IMPLEMENT_REFCOUNTING(ClientApp);
};
