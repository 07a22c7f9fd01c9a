#pragma once
// Browser-process notifications about requests and renderer processes.
#include "include/cef_browser.h"

class CefRequestHandler : public virtual CefBase {
public:
    typedef cef_termination_status_t TerminationStatus;
    // Engine UI thread: the renderer of the browser ended unexpectedly.
    virtual void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser, TerminationStatus status) {
        (void)browser; (void)status;
    }
};
