#pragma once
// CDlgUpdating ("updating.xml"): downloads the update package on a worker
// thread into <program folder>\update\ and shows its progress ("progress1",
// "label_progress"). A finished download hands the file to the main window
// and closes with 22; a failed one says so and waits for the user. Closing
// the dialog cancels the download. Window thread.
#include <string>

#include "DlgUpdateBase.h"

class CDlgUpdating : public CDlgUpdateBase {
public:
    using CDlgUpdateBase::CDlgUpdateBase;

    void InitWindow() override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

protected:
    DuiLib::CDuiString GetSkinFile() override { return L"updating.xml"; }
    DWORD WorkerWaitMs() const override { return 1500; }

private:
    void OnProgress(WPARAM percent);
    void OnDownloadResult(int result, const std::wstring& packageFile);
    void ShowFailed();

    DuiLib::CProgressUI* m_pProgress = nullptr;
    DuiLib::CControlUI* m_pLabelProgress = nullptr;
};
