#include "ClientHandlerBase.h"

#include <windows.h>

namespace {

// Waits up to ms for a message sent to this thread by another one, and lets
// the sender's message run. Posted messages stay queued.
void ServeSentMessages(DWORD ms) {
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_SENDMESSAGE, 0);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace

void ClientHandlerBase::DetachControl() {
    // A callback may be inside the owner right now, holding the lock, and the
    // owner may be sending to this thread: serve what it sends while waiting,
    // so the callback can finish and let go.
    std::unique_lock<std::recursive_mutex> lock(controlLock_, std::defer_lock);
    while (!lock.try_lock()) ServeSentMessages(1);
    m_pOwner = nullptr;
    OnControlDetached();
}
