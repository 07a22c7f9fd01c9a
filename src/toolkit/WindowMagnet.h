#pragma once
// Keeps other top-level windows docked to a host window: the host is
// subclassed, and when it moves or resizes every docked window is placed
// again against the host's new rectangle (while the move is still pending,
// so they move together). Window thread of the host only.
#include <windows.h>

#include <vector>

class WindowMagnet {
public:
    // Anchor flags of a docked window; none of a direction's flags means
    // left (horizontal) or top (vertical). Tested in the order listed.
    enum : unsigned {
        kStretchX = 0x08, kCenterX = 0x04, kRight = 0x02,
        kStretchY = 0x80, kCenterY = 0x40, kBottom = 0x20,
    };
    struct DockedWindow {
        HWND wnd = nullptr;
        int x = 0;       // from the host's left (left, centre, stretch)
        int y = 0;       // from the host's top (top, centre, stretch)
        int right = 0;   // subtracted from the host's right (stretch), added to it (right anchor)
        int bottom = 0;  // subtracted from the host's bottom (stretch), added to it (bottom anchor)
        int width = 0;
        int height = 0;
        unsigned anchor = 0;
    };

    WindowMagnet() = default;
    ~WindowMagnet();
    WindowMagnet(const WindowMagnet&) = delete;
    WindowMagnet& operator=(const WindowMagnet&) = delete;

    // Attaches to the host (detaching from any earlier one); null detaches.
    // The docked list stays either way.
    void SetHostWindow(HWND host);
    HWND GetHostWindow() const { return host_; }
    // Docks a top-level window, or updates its entry; false for a null or
    // child window. Nothing moves until the host next moves or resizes.
    bool AddWindow(const DockedWindow& entry);
    bool RemoveWindow(HWND wnd);
    const std::vector<DockedWindow>& GetDockedWindows() const { return docked_; }

    // Where a docked window goes against a host rectangle.
    static RECT PlaceAgainst(const DockedWindow& entry, const RECT& host);

private:
    static LRESULT CALLBACK HostWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    void PlaceAll(const RECT& host) const;

    HWND host_ = nullptr;  // not owned
    RECT hostRect_ = {};
    WNDPROC previousProc_ = nullptr;
    std::vector<DockedWindow> docked_;
};
