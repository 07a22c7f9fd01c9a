#include "WindowTaskRelay.h"

#include <atomic>
#include <map>

#include "LogWriter.h"
#include "MainMessageLoopWin.h"
#include "include/wrapper/cef_closure_task.h"

namespace {

std::atomic<unsigned> g_nextSerial{1};

// The relays alive now, by address, with their serial numbers (an address
// may be reused by a later window). Window thread only.
std::map<const CWindowTaskRelay*, unsigned>& LiveRelays() {
    static std::map<const CWindowTaskRelay*, unsigned> relays;
    return relays;
}

bool IsLive(const CWindowTaskRelay* relay, unsigned serial) {
    auto it = LiveRelays().find(relay);
    return it != LiveRelays().end() && it->second == serial;
}

}  // namespace

CWindowTaskRelay::CWindowTaskRelay() : serial_(g_nextSerial++) { LiveRelays()[this] = serial_; }

CWindowTaskRelay::~CWindowTaskRelay() { LiveRelays().erase(this); }

bool CWindowTaskRelay::Post(std::function<void()> task) const {
    CMainMessageLoopWin* loop = CMainMessageLoopWin::GetMainMessageLoop();
    if (!loop) {
        LOG_ERROR(L"no window-thread loop: task dropped");
        return false;
    }
    const CWindowTaskRelay* self = this;
    const unsigned serial = serial_;
    loop->PostTask(CefCreateClosureTask([self, serial, task = std::move(task)] {
        if (IsLive(self, serial)) task();
    }));
    return true;
}
