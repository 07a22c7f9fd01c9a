#pragma once
// CGameButtonUI (class "OrvGameBtn"): one game of "my games" as a button in
// the main window's list "my_game_left_list". A press starts a drag (the main
// window moves the button under the cursor), a right click or a click on its
// corner opens the game's menu, and a game that is not installed shows a mask
// and, under the cursor, "游戏未安装". Owned by the list; window thread only.
#include <UIlib.h>

struct GameInfoItem;
class CMainWnd;

class CGameButtonUI : public DuiLib::COptionUI {
public:
    // cornerImage / cornerHotImage: the menu corner's images (skin paths).
    CGameButtonUI(CMainWnd* owner, LPCTSTR cornerImage, LPCTSTR cornerHotImage);

    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;

    GameInfoItem* GetGameItem() const { return m_pGameItem; }
    void SetGameItem(GameInfoItem* item) { m_pGameItem = item; }
    void SetMaskImage(LPCTSTR image) { m_sMaskImage = image; }
    // Shown in its drag image while set; paints nothing itself.
    void SetDragging(bool dragging) { m_bDragging = dragging; }
    bool IsDragging() const { return m_bDragging; }
    // The entry's auto-update flag and, without a café client, the local table's.
    void SetAutoUpdate(int on);

    void DoEvent(DuiLib::TEventUI& event) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;
    void PaintForeImage(HDC hDC) override;
    void DoPostPaint(HDC hDC, const RECT& rcPaint) override;

private:
    RECT CornerRect() const;
    bool CornerContains(POINT pt) const;

    GameInfoItem* m_pGameItem = nullptr;  // not owned (the game list owns it)
    POINT m_ptPress = {0, 0};
    CMainWnd* m_pOwner;                   // not owned
    DuiLib::CDuiString m_sSavedText;
    DuiLib::CDuiString m_sCornerImage;
    DuiLib::CDuiString m_sCornerHotImage;
    DuiLib::CDuiString m_sMaskImage;
    bool m_bCornerHot = false;
    bool m_bDragging = false;
};
