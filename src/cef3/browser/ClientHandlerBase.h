#pragma once
// The engine client of a browser control. Holds a plain pointer to the
// control it serves; the control detaches it when it goes, since the engine
// may still call the client while it finishes closing the browser. Engine
// callbacks run on the engine's UI thread and use the control only under the
// control lock (see WithControl).
#include <mutex>

#include "include/cef_client.h"

class CCefBaseUI;

class ClientHandlerBase : public CefClient {
public:
    explicit ClientHandlerBase(CCefBaseUI* control) : m_pOwner(control) {}

    // Window thread, from the control's destructor: from now on no callback
    // reaches the control or its owner. Waits for a callback using them, and
    // meanwhile lets messages that callback sends to this thread run.
    void DetachControl();

protected:
    ~ClientHandlerBase() override = default;

    // Holds the control lock while a callback uses the control (and through
    // it the owner), so the control cannot go meanwhile. Recursive: a
    // callback's owner may cause a nested callback on the same thread.
    std::unique_lock<std::recursive_mutex> LockControl() const {
        return std::unique_lock<std::recursive_mutex>(controlLock_);
    }
    virtual void OnControlDetached() {}

    mutable std::recursive_mutex controlLock_;
    CCefBaseUI* m_pOwner;  // not owned; null once detached; under controlLock_

    IMPLEMENT_REFCOUNTING(ClientHandlerBase);
};
