#pragma once
// CGameUploadProgressWnd ("GameUpload.xml", class "ORVGameUploadWnd"): the
// cloud-save upload progress, one row per game, placed at the bottom right of
// the work area of its owner's monitor. Modeless; the main window keeps a
// pointer to it; a system close closes this window only. Window thread;
// deletes itself when its window is gone.
#include <UIlib.h>

#include <string>
#include <vector>

class CGameUploadProgressWnd : public DuiLib::WindowImplBase {
public:
    // Before the window is created.
    void AddItem(unsigned gameId);

    LPCTSTR GetWindowClassName() const override { return L"ORVGameUploadWnd"; }
    void InitWindow() override;
    void OnFinalMessage(HWND hWnd) override;
    void Notify(DuiLib::TNotifyUI& msg) override;

protected:
    DuiLib::CDuiString GetSkinFile() override { return L"GameUpload.xml"; }

private:
    struct UploadItem {
        unsigned gameId;
        std::wstring name;
    };

    void AddRow(const UploadItem& item);
    void PlaceAtWorkAreaCorner();

    DuiLib::CContainerUI* m_pMainPanel = nullptr;
    std::vector<UploadItem> m_items;
};
