#pragma once
// CDlgUpdateDetect ("update_detect.xml"): asks the update server for the
// newest version on a worker thread and compares it with the launcher's own.
// A newer one is offered ("okbtn" then closes with 21 and hands URL and
// version to the main window); none closes with 20; a failed check says so
// and closes with 0 when the user closes it. Window thread.
#include <string>

#include "DlgUpdateBase.h"

class CDlgUpdateDetect : public CDlgUpdateBase {
public:
    using CDlgUpdateBase::CDlgUpdateBase;

    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

protected:
    DuiLib::CDuiString GetSkinFile() override { return L"update_detect.xml"; }
    DWORD WorkerWaitMs() const override { return 1000; }

private:
    void OnVersionAnswer(const std::string& body);
    void ShowCheckFailed();

    int m_needUpdate = 0;
    std::wstring m_remoteVersion;
    std::wstring m_packageUrl;
    DuiLib::CControlUI* m_pLabelDesc = nullptr;
};
