#pragma once
// A skin window hosting one "Cef" control below a 30-pixel label, as the
// programs' windows do: the control comes from CreateControl, the window is
// its ICefUIContainer and forwards every slot to a recorder that outlives it.
#include <UIlib.h>

#include <memory>
#include <string>

#include "CCefCommonUI.h"
#include "RecordingOwner.h"

class TestHostWnd : public DuiLib::WindowImplBase, public ICefUIContainer {
public:
    // startUrl empty: the control starts on its default page.
    explicit TestHostWnd(std::wstring startUrl);
    HWND Open(int width = 640, int height = 480);

    std::shared_ptr<RecordingOwner> rec = std::make_shared<RecordingOwner>();
    CCefCommonUI* cef = nullptr;

    int OpenNewPopupWnd(const wchar_t* url, const wchar_t* params) override { return rec->OpenNewPopupWnd(url, params); }
    void HandleJSCall(const wchar_t* name, CefRefPtr<CefListValue> args, CCefCommonUI* control) override {
        rec->HandleJSCall(name, args, control);
    }
    void OnWebPageLoadEnd(CCefCommonUI* control, const wchar_t* url) override { rec->OnWebPageLoadEnd(control, url); }
    void NotifyCefTitleChanged(CCefCommonUI* control, const wchar_t* title) override {
        rec->NotifyCefTitleChanged(control, title);
    }
    void OpenPageGameWebWnd(const wchar_t* url, bool inNewTab) override { rec->OpenPageGameWebWnd(url, inNewTab); }

protected:
    LPCTSTR GetWindowClassName() const override { return L"CefBridgeTestHost"; }
    DuiLib::CDuiString GetSkinFile() override;
    DuiLib::CControlUI* CreateControl(LPCTSTR pstrClass) override;

private:
    std::wstring startUrl_;
};
