#pragma once
// The menu window: a popup skin window built from a menu skin file
// (<Window><Menu><MenuElement name=".." text=".." icon=".."/>...</Menu></Window>,
// or a bare <Menu> root). A click on an item posts UIMSG_MENUCLICK (1145) to
// the main paint manager's window with wParam = a heap MenuCmd, which the
// receiver checks with CPaintManagerUI::IsLivePtr before reading it (any
// program may post 1145) and frees with CPaintManagerUI::DeletePtr; then the
// menu closes. The menu also closes when it loses activation. The CMenuWnd
// object is owned by whoever created it (its destructor destroys a still-open
// window); it never deletes itself.
#include "WindowImplBase.h"
#include "UIContainer.h"
#include "UIControls.h"
#include <map>

namespace DuiLib {

struct MenuCmd {
    TCHAR szName[256];       // the item's name (first field: receivers read it as the name)
    TCHAR szUserData[1024];
    TCHAR szText[1024];
    BOOL bChecked;
};

enum MenuAlignment {
    eMenuAlignment_Left = 1 << 1,
    eMenuAlignment_Top = 1 << 2,
    eMenuAlignment_Right = 1 << 3,
    eMenuAlignment_Bottom = 1 << 4,
};

// One menu item: icon (image string, drawn at the left), text, hot frame.
class UILIB_API CMenuElementUI : public CButtonUI {
public:
    CMenuElementUI();
    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;
    void SetIcon(LPCTSTR pStrImage);
    LPCTSTR GetIcon() const;
    void SetChecked(bool bCheck);
    bool GetChecked() const;
    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void PaintStatusImage(HDC hDC) override;
    SIZE EstimateSize(SIZE szAvailable) override;

protected:
    CDuiString m_sIcon;
    bool m_bChecked = false;
    int m_iIconWidth = 26;
};

// The item list of a menu.
class UILIB_API CMenuUI : public CVerticalLayoutUI {
public:
    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;
    CMenuElementUI* GetMenuItemAt(int iIndex) const;
    CMenuElementUI* GetMenuItem(LPCTSTR pstrName) const;
    // Preferred size of the item list (widest item, sum of heights).
    SIZE EstimateMenuSize();
};

class UILIB_API CMenuWnd : public WindowImplBase {
public:
    CMenuWnd();
    ~CMenuWnd() override;

    // Builds and shows the menu at point (screen coordinates). pOwner: null
    // for a top-level menu. dwAlignment: which corner of the menu sits at the
    // point (left|top = the menu opens right and down). False when the menu
    // skin cannot be built.
    bool Init(CMenuElementUI* pOwner, LPCTSTR xml, POINT point, CPaintManagerUI* pMainPaintManager,
              std::map<CDuiString, bool>* pMenuCheckInfo = nullptr,
              DWORD dwAlignment = eMenuAlignment_Left | eMenuAlignment_Top);
    CMenuUI* GetMenuUI();
    // Fits the window to its (remaining) items.
    void ResizeMenu();

    void Notify(TNotifyUI& msg) override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

protected:
    LPCTSTR GetWindowClassName() const override;
    CDuiString GetSkinFile() override;
    void PostItemClick(CMenuElementUI* pItem);

    CDuiString m_sXml;
    POINT m_ptBase = {0, 0};
    DWORD m_dwAlignment = eMenuAlignment_Left | eMenuAlignment_Top;
    CPaintManagerUI* m_pMainManager = nullptr;          // not owned
    std::map<CDuiString, bool>* m_pCheckInfo = nullptr; // not owned
};

}  // namespace DuiLib
