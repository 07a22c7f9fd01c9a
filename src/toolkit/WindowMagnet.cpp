#include "WindowMagnet.h"

#include <algorithm>

namespace {

const wchar_t kMagnetProp[] = L"MAGNET";

void PlaceOne(const WindowMagnet::DockedWindow& entry, const RECT& host) {
    if (!::IsWindow(entry.wnd)) return;
    const RECT target = WindowMagnet::PlaceAgainst(entry, host);
    RECT current = {};
    ::GetWindowRect(entry.wnd, &current);
    if (::EqualRect(&current, &target)) return;
    ::SetWindowPos(entry.wnd, nullptr, target.left, target.top, target.right - target.left,
                   target.bottom - target.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// One direction: low/high edges of the host, offsets and size of the entry.
void PlaceSpan(unsigned anchor, unsigned stretch, unsigned centre, unsigned toFar, LONG hostLow, LONG hostHigh,
               int nearOffset, int farOffset, int size, LONG& low, LONG& high) {
    if (anchor & stretch) {
        low = hostLow + nearOffset;
        high = hostHigh - farOffset;
    } else if (anchor & centre) {
        low = (hostLow + hostHigh) / 2 + nearOffset;
        high = low + size;
    } else if (anchor & toFar) {
        high = hostHigh + farOffset;
        low = high - size;
    } else {
        low = hostLow + nearOffset;
        high = low + size;
    }
}

}  // namespace

WindowMagnet::~WindowMagnet() { SetHostWindow(nullptr); }

void WindowMagnet::SetHostWindow(HWND host) {
    if (host_) {
        ::SetWindowLongPtrW(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
        ::RemovePropW(host_, kMagnetProp);
        host_ = nullptr;
        previousProc_ = nullptr;
    }
    if (!host || !::IsWindow(host)) return;
    host_ = host;
    ::GetWindowRect(host, &hostRect_);
    previousProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowMagnet::HostWndProc)));
    ::SetPropW(host, kMagnetProp, this);
}

bool WindowMagnet::AddWindow(const DockedWindow& entry) {
    if (!entry.wnd || (::GetWindowLongPtrW(entry.wnd, GWL_STYLE) & WS_CHILD)) return false;
    auto it = std::find_if(docked_.begin(), docked_.end(),
                           [&](const DockedWindow& d) { return d.wnd == entry.wnd; });
    if (it != docked_.end())
        *it = entry;
    else
        docked_.push_back(entry);
    return true;
}

bool WindowMagnet::RemoveWindow(HWND wnd) {
    if (!wnd) return false;
    auto it = std::find_if(docked_.begin(), docked_.end(), [&](const DockedWindow& d) { return d.wnd == wnd; });
    if (it == docked_.end()) return false;
    docked_.erase(it);
    return true;
}

RECT WindowMagnet::PlaceAgainst(const DockedWindow& entry, const RECT& host) {
    RECT out = {};
    PlaceSpan(entry.anchor, kStretchX, kCenterX, kRight, host.left, host.right, entry.x, entry.right, entry.width,
              out.left, out.right);
    PlaceSpan(entry.anchor, kStretchY, kCenterY, kBottom, host.top, host.bottom, entry.y, entry.bottom,
              entry.height, out.top, out.bottom);
    return out;
}

void WindowMagnet::PlaceAll(const RECT& host) const {
    // A copy: placing a window may run code that changes the list.
    const std::vector<DockedWindow> docked = docked_;
    for (const DockedWindow& entry : docked) PlaceOne(entry, host);
}

LRESULT CALLBACK WindowMagnet::HostWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* magnet = static_cast<WindowMagnet*>(::GetPropW(wnd, kMagnetProp));
    if (!magnet) return ::DefWindowProcW(wnd, message, wParam, lParam);
    const WNDPROC previous = magnet->previousProc_;
    if (message == WM_DESTROY) {
        magnet->SetHostWindow(nullptr);
        return ::CallWindowProcW(previous, wnd, message, wParam, lParam);
    }
    if (message == WM_MOVE && !magnet->docked_.empty()) {
        ::GetWindowRect(wnd, &magnet->hostRect_);
        magnet->PlaceAll(magnet->hostRect_);
    } else if (message == WM_WINDOWPOSCHANGING && !magnet->docked_.empty()) {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if ((pos->flags & (SWP_NOSIZE | SWP_NOMOVE)) != (SWP_NOSIZE | SWP_NOMOVE)) {
            RECT& rect = magnet->hostRect_;
            if (!(pos->flags & SWP_NOMOVE)) ::OffsetRect(&rect, pos->x - rect.left, pos->y - rect.top);
            if (!(pos->flags & SWP_NOSIZE)) {
                rect.right = rect.left + pos->cx;
                rect.bottom = rect.top + pos->cy;
            }
            magnet->PlaceAll(rect);
        }
    }
    return ::CallWindowProcW(previous, wnd, message, wParam, lParam);
}
