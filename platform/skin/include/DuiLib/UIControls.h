#pragma once
// Stock controls: label, text, button, option, check box, progress, slider,
// edit.
#include "UIControl.h"

namespace DuiLib {

// Text in the control's rectangle with alignment, padding, font and colour.
class UILIB_API CLabelUI : public CControlUI {
public:
    CLabelUI();
    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;

    void SetTextStyle(UINT uStyle);
    UINT GetTextStyle() const;
    void SetTextColor(DWORD dwTextColor);
    DWORD GetTextColor() const;
    void SetDisabledTextColor(DWORD dwTextColor);
    DWORD GetDisabledTextColor() const;
    void SetFont(int index);
    int GetFont() const;
    RECT GetTextPadding() const;
    void SetTextPadding(RECT rc);

    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void PaintText(HDC hDC) override;

protected:
    DWORD m_dwTextColor = 0;
    DWORD m_dwDisabledTextColor = 0;
    int m_iFont = -1;
    UINT m_uTextStyle = DT_VCENTER | DT_SINGLELINE;
    RECT m_rcTextPadding = {0, 0, 0, 0};
};

// A label that may wrap (multi-line by default).
class UILIB_API CTextUI : public CLabelUI {
public:
    CTextUI();
    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;
};

// Button: five status images (normal, hot, pushed, focused, disabled), a
// fore image, and "click" on release over the button.
class UILIB_API CButtonUI : public CLabelUI {
public:
    CButtonUI();
    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;
    UINT GetControlFlags() const override;

    bool Activate() override;
    void SetEnabled(bool bEnable = true) override;
    void DoEvent(TEventUI& event) override;

    LPCTSTR GetNormalImage();
    void SetNormalImage(LPCTSTR pStrImage);
    LPCTSTR GetHotImage();
    void SetHotImage(LPCTSTR pStrImage);
    LPCTSTR GetPushedImage();
    void SetPushedImage(LPCTSTR pStrImage);
    LPCTSTR GetFocusedImage();
    void SetFocusedImage(LPCTSTR pStrImage);
    LPCTSTR GetDisabledImage();
    void SetDisabledImage(LPCTSTR pStrImage);
    LPCTSTR GetForeImage();
    void SetForeImage(LPCTSTR pStrImage);
    LPCTSTR GetHotForeImage();
    void SetHotForeImage(LPCTSTR pStrImage);

    void SetHotBkColor(DWORD dwColor);
    DWORD GetHotBkColor() const;
    void SetHotTextColor(DWORD dwColor);
    DWORD GetHotTextColor() const;
    void SetPushedTextColor(DWORD dwColor);
    DWORD GetPushedTextColor() const;
    void SetFocusedTextColor(DWORD dwColor);
    DWORD GetFocusedTextColor() const;

    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void PaintText(HDC hDC) override;
    void PaintStatusImage(HDC hDC) override;
    virtual void PaintForeImage(HDC hDC);

protected:
    DWORD m_dwHotBkColor = 0;
    DWORD m_dwHotTextColor = 0;
    DWORD m_dwPushedTextColor = 0;
    DWORD m_dwFocusedTextColor = 0;
    CDuiString m_sNormalImage;
    CDuiString m_sHotImage;
    CDuiString m_sHotForeImage;
    CDuiString m_sPushedImage;
    CDuiString m_sFocusedImage;
    CDuiString m_sDisabledImage;
    CDuiString m_sForeImage;
};

// Option: a button that stays selected. Options of one group (same manager)
// exclude each other. Selected() raises "selectchanged" when the state
// changes, also when called from code. With BindTabIndex, selecting the option
// selects that page of the tab layout named by "bindtablayoutname" (or the
// first tab layout of the window).
class UILIB_API COptionUI : public CButtonUI {
public:
    COptionUI();
    ~COptionUI() override;
    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;

    void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
    bool Activate() override;
    void SetEnabled(bool bEnable = true) override;

    LPCTSTR GetSelectedImage();
    void SetSelectedImage(LPCTSTR pStrImage);
    LPCTSTR GetSelectedHotImage();
    void SetSelectedHotImage(LPCTSTR pStrImage);
    void SetSelectedTextColor(DWORD dwTextColor);
    DWORD GetSelectedTextColor();
    void SetSelectedBkColor(DWORD dwBkColor);
    DWORD GetSelectBkColor();
    LPCTSTR GetForeImage();
    void SetForeImage(LPCTSTR pStrImage);

    LPCTSTR GetGroup() const;
    void SetGroup(LPCTSTR pStrGroupName = nullptr);
    bool IsSelected() const;
    virtual void Selected(bool bSelected, bool bTriggerEvent = true);

    void BindTabIndex(int _BindTabIndex);
    void BindTabLayoutName(LPCTSTR _TabLayoutName);
    int GetBindTabLayoutIndex() const;
    LPCTSTR GetBindTabLayoutName() const;

    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintText(HDC hDC) override;

protected:
    void SelectBoundTab();

    bool m_bSelected = false;
    CDuiString m_sGroupName;
    DWORD m_dwSelectedBkColor = 0;
    DWORD m_dwSelectedTextColor = 0;
    CDuiString m_sSelectedImage;
    CDuiString m_sSelectedHotImage;
    int m_iBindTabIndex = -1;
    CDuiString m_sBindTabLayoutName;
};

class UILIB_API CCheckBoxUI : public COptionUI {
public:
    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;
    void SetCheck(bool bCheck);
    bool GetCheck() const;
};

// Progress bar: the fore colour/image fills value/max of the width (or of
// the height with hor="false").
class UILIB_API CProgressUI : public CLabelUI {
public:
    CProgressUI();
    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;

    bool IsHorizontal();
    void SetHorizontal(bool bHorizontal = true);
    int GetMinValue() const;
    void SetMinValue(int nMin);
    int GetMaxValue() const;
    void SetMaxValue(int nMax);
    int GetValue() const;
    void SetValue(int nValue);
    LPCTSTR GetForeImage() const;
    void SetForeImage(LPCTSTR pStrImage);

    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void PaintStatusImage(HDC hDC) override;

protected:
    RECT FilledRect() const;
    bool m_bHorizontal = true;
    int m_nMax = 100;
    int m_nMin = 0;
    int m_nValue = 0;
    CDuiString m_sForeImage;
};

// Slider: a progress bar with a thumb dragged by the mouse ("valuechanged").
class UILIB_API CSliderUI : public CProgressUI {
public:
    CSliderUI();
    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;
    UINT GetControlFlags() const override;
    void SetEnabled(bool bEnable = true) override;
    int GetChangeStep();
    void SetChangeStep(int step);
    void SetThumbSize(SIZE szXY);
    RECT GetThumbRect() const;
    LPCTSTR GetThumbImage() const;
    void SetThumbImage(LPCTSTR pStrImage);
    void DoEvent(TEventUI& event) override;
    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void PaintStatusImage(HDC hDC) override;

protected:
    void SetValueFromPoint(POINT pt);
    SIZE m_szThumb = {10, 10};
    int m_nStep = 1;
    CDuiString m_sThumbImage;
};

// Edit: a native single-line edit window kept on the control's rectangle.
// Enter raises "return"; each change raises "textchanged".
class UILIB_API CEditUI : public CLabelUI {
public:
    CEditUI();
    ~CEditUI() override;
    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;
    UINT GetControlFlags() const override;

    CDuiString GetText() const override;
    void SetText(LPCTSTR pstrText) override;
    void SetEnabled(bool bEnable = true) override;
    void SetVisible(bool bVisible = true) override;
    void SetInternVisible(bool bVisible = true) override;
    void SetMaxChar(UINT uMax);
    UINT GetMaxChar();
    void SetReadOnly(bool bReadOnly);
    bool IsReadOnly() const;
    void SetPasswordMode(bool bPasswordMode);
    bool IsPasswordMode() const;
    HWND GetNativeWindow() const;

    void SetPos(RECT rc, bool bNeedInvalidate = true) override;
    void DoInit() override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void PaintText(HDC hDC) override;

protected:
    void SyncNativeWindow();
    static LRESULT CALLBACK EditProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    HWND m_hEdit = nullptr;          // child of the paint window; destroyed with the control
    WNDPROC m_oldEditProc = nullptr;
    UINT m_uMaxChar = 255;
    bool m_bReadOnly = false;
    bool m_bPasswordMode = false;
    HFONT m_hEditFont = nullptr;     // not owned (paint manager's font)
};

}  // namespace DuiLib
