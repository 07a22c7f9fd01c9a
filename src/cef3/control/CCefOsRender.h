#pragma once
// The browser control with the off-screen (windowless) flags and the
// mouse-wheel filter: a wheel turned over the control is sent to the browser.
// Window thread, like its base.
#include "CCefBaseUI.h"

// Asks the control to have its browser repaint its view.
constexpr UINT WM_CEF_OSR_INVALIDATE = 5038;

class CCefOsRender : public CCefBaseUI {
public:
    // client null: a ClientHandlerRender serves this control.
    CCefOsRender(DuiLib::CPaintManagerUI* manager, CefRefPtr<CefClient> client);
    ~CCefOsRender() override;

    LPCTSTR GetClass() const override;
    void SetVisible(bool bVisible = true) override;
    void SetInternVisible(bool bVisible = true) override;
    void DoInit() override;
    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

    bool IsWindowless() const { return m_bWindowless; }
    bool IsTransparent() const { return m_bTransparent; }

protected:
    void OnMouseWheel(WPARAM wParam, LPARAM lParam, bool& bHandled);
    void OnInvalidate(bool& bHandled);

    bool m_bWindowless = false;
    bool m_bTransparent = false;

private:
    bool SendWheelToBrowser(WPARAM wParam, LPARAM lParam);
};
