#pragma once
// A layered, transparent popup that shows only a close button in its top
// right corner; a dialog lays it over itself (docked with WindowMagnet) and
// is sent WM_CLOSE when the button is clicked. The creator makes the
// window (class "NormalWnd201705", this object as parameter), sizes it with
// SetBarSize and sets the owner. Window thread only.
#include "ButtonUI.h"
#include "RegularLayeredDraw.h"
#include "UIContainerWnd.h"

class CWndTransBar : public CUIContainerWnd {
public:
    static constexpr int kCloseCommandId = 257;

    CWndTransBar();
    ~CWndTransBar() override;

    LRESULT OnCreate(LPARAM lParam) override;
    void OnPaint(HDC dc, bool fromWParam) override;
    void OnCommand(WPARAM wParam, LPARAM lParam) override;
    // A click does not activate the bar (see the .cpp).
    LRESULT HandleOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The surface size; the close button sits 1 pixel in from the top right.
    void SetBarSize(int width, int height);
    // The window sent WM_CLOSE by the close button (not owned; may be null).
    void SetOwnerWnd(HWND owner) { owner_ = owner; }
    HWND GetOwnerWnd() const { return owner_; }
    uiskin::CButtonUI& GetCloseButton() { return closeButton_; }

private:
    CRegularLayeredDraw background_;
    int barWidth_ = 0;
    int barHeight_ = 0;
    HWND owner_ = nullptr;  // not owned
    uiskin::CButtonUI closeButton_;
};
