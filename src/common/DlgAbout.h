#pragma once
// CDlgAbout ("about.xml", class "DlgAbout"): the modal about box with the
// launcher's version ("label_ver"). Window thread; deletes itself when its
// window is gone.
#include <UIlib.h>

class CDlgAbout : public DuiLib::WindowImplBase {
public:
    LPCTSTR GetWindowClassName() const override { return L"DlgAbout"; }
    void InitWindow() override;
    void OnFinalMessage(HWND hWnd) override;
    void OnClick(DuiLib::TNotifyUI& msg) override;

protected:
    DuiLib::CDuiString GetSkinFile() override { return L"about.xml"; }

private:
    DuiLib::CControlUI* m_pCloseBtn = nullptr;
    DuiLib::CControlUI* m_pOkBtn = nullptr;
};
