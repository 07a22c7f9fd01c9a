#pragma once
// Containers: CContainerUI (children stacked in its rectangle, optional
// vertical/horizontal scrolling), the vertical, horizontal and tab layouts,
// and CListUI (a vertical scrolling list with item selection).
#include "UIControl.h"
#include <vector>

namespace DuiLib {

class UILIB_API CContainerUI : public CControlUI {
public:
    CContainerUI();
    ~CContainerUI() override;

    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;

    virtual CControlUI* GetItemAt(int iIndex) const;
    virtual int GetItemIndex(CControlUI* pControl) const;
    virtual bool SetItemIndex(CControlUI* pControl, int iIndex);
    virtual int GetCount() const;
    virtual bool Add(CControlUI* pControl);
    virtual bool AddAt(CControlUI* pControl, int iIndex);
    // Takes the control out and deletes it (unless bDoNotDestroy). Deletion
    // waits until the event or notification being handled has returned.
    virtual bool Remove(CControlUI* pControl, bool bDoNotDestroy = false);
    virtual bool RemoveAt(int iIndex, bool bDoNotDestroy = false);
    virtual void RemoveAll();

    void DoEvent(TEventUI& event) override;
    void SetVisible(bool bVisible = true) override;
    void SetInternVisible(bool bVisible = true) override;

    virtual RECT GetInset() const;
    virtual void SetInset(RECT rcInset);
    virtual int GetChildPadding() const;
    virtual void SetChildPadding(int iPadding);
    virtual bool IsAutoDestroy() const;
    virtual void SetAutoDestroy(bool bAuto);
    virtual bool IsMouseChildEnabled() const;
    virtual void SetMouseChildEnabled(bool bEnable = true);
    virtual int FindSelectable(int iIndex, bool bForward = true) const;

    void SetPos(RECT rc, bool bNeedInvalidate = true) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;
    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
    CControlUI* FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) override;

    // Scrolling: the range is the content size beyond the client area.
    virtual SIZE GetScrollPos() const;
    virtual SIZE GetScrollRange() const;
    virtual void SetScrollPos(SIZE szPos);
    virtual void LineUp();
    virtual void LineDown();
    virtual void PageUp();
    virtual void PageDown();
    virtual void HomeUp();
    virtual void EndDown();
    virtual void LineLeft();
    virtual void LineRight();
    virtual void EnableScrollBar(bool bEnableVertical = true, bool bEnableHorizontal = false);
    bool IsVScrollEnabled() const;
    bool IsHScrollEnabled() const;

protected:
    // Lays out the children inside rc (content coordinates already scrolled);
    // returns the content size.
    virtual SIZE LayoutChildren(RECT rc);
    void SetFloatPos(int iIndex);
    void ProcessScrollBar(RECT rc, int cxRequired, int cyRequired);
    void PaintScrollBar(HDC hDC);
    RECT ClientRect() const;
    RECT ScrollBarRect() const;
    void ScrollToPoint(POINT pt);

    std::vector<CControlUI*> m_items;
    RECT m_rcInset = {0, 0, 0, 0};
    int m_iChildPadding = 0;
    bool m_bAutoDestroy = true;
    bool m_bMouseChildEnabled = true;
    bool m_bVScroll = false;
    bool m_bHScroll = false;
    SIZE m_szScrollPos = {0, 0};
    SIZE m_szScrollRange = {0, 0};
    int m_iScrollStep = 30;
    bool m_bScrollDragging = false;
    DWORD m_dwScrollThumbColor = 0x80808080;
};

class UILIB_API CVerticalLayoutUI : public CContainerUI {
public:
    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;
protected:
    SIZE LayoutChildren(RECT rc) override;
};

class UILIB_API CHorizontalLayoutUI : public CContainerUI {
public:
    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;
protected:
    SIZE LayoutChildren(RECT rc) override;
};

// Shows one child at a time; "tabselect" when the selection changes.
class UILIB_API CTabLayoutUI : public CContainerUI {
public:
    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;

    bool Add(CControlUI* pControl) override;
    bool AddAt(CControlUI* pControl, int iIndex) override;
    bool Remove(CControlUI* pControl, bool bDoNotDestroy = false) override;
    void RemoveAll() override;
    int GetCurSel() const;
    virtual bool SelectItem(int iIndex);
    virtual bool SelectItem(CControlUI* pControl);
    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;

protected:
    SIZE LayoutChildren(RECT rc) override;
    int m_iCurSel = -1;
};

// A vertical scrolling list. Items are any controls; a click on an item
// selects it ("itemselect") and reports "itemclick".
class UILIB_API CListUI : public CVerticalLayoutUI {
public:
    CListUI();
    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;
    int GetCurSel() const;
    virtual bool SelectItem(int iIndex, bool bTakeFocus = false);
    void DoEvent(TEventUI& event) override;
    bool Remove(CControlUI* pControl, bool bDoNotDestroy = false) override;
    void RemoveAll() override;
    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;

protected:
    int m_iCurSel = -1;
    DWORD m_dwSelectedBkColor = 0;
};

}  // namespace DuiLib
