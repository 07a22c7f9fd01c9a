#pragma once
// CDragControlUI (class "DragControlUI"): the floating image of a game button
// being dragged. It follows the mouse inside a constraint rectangle (less its
// margins) and tells its sink when the mouse goes above the top or below the
// bottom, so the owner can scroll. Owned by the list it floats in; window
// thread only.
#include <UIlib.h>

class IDragControlUISink {
public:
    virtual void OnDragAboveTop() = 0;
    virtual void OnDragBelowBottom() = 0;

protected:
    ~IDragControlUISink() = default;
};

class CDragControlUI : public DuiLib::CHorizontalLayoutUI {
public:
    explicit CDragControlUI(IDragControlUISink* sink);

    LPCTSTR GetClass() const override;
    LPVOID GetInterface(LPCTSTR pstrName) override;
    UINT GetControlFlags() const override;

    void SetNormalImage(LPCTSTR image) { m_sNormalImage = image; }
    void SetHotImage(LPCTSTR image) { m_sHotImage = image; }
    void SetPushedImage(LPCTSTR image) { m_sPushedImage = image; }
    void SetDragImage(LPCTSTR image) { m_sDragImage = image; }
    void SetForeImage(LPCTSTR image) { m_sForeImage = image; }
    // The rectangle the control stays in, less the margins.
    void SetDragConstraint(const RECT& bounds) { m_rcConstraint = bounds; }
    void SetDragMargins(int left, int top, int right, int bottom);
    void SetCursorOffset(int x, int y) { m_ptCursorOffset = POINT{x, y}; }

    bool IsDragging() const { return (m_uButtonState & kDraggingBit) != 0; }
    void StartDrag(POINT point);
    void StopDrag();

    void DoEvent(DuiLib::TEventUI& event) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintText(HDC hDC) override;
    void DoPostPaint(HDC hDC, const RECT& rcPaint) override;

private:
    static constexpr UINT kDraggingBit = 0x40;

    void MoveTo(POINT mouse);
    bool DrawStatus(HDC hDC, DuiLib::CDuiString& image);

    DuiLib::CDuiString m_sNormalImage;
    DuiLib::CDuiString m_sHotImage;
    DuiLib::CDuiString m_sPushedImage;
    DuiLib::CDuiString m_sDragImage;
    DuiLib::CDuiString m_sForeImage;
    RECT m_rcConstraint = {0, 0, 0, 0};
    RECT m_rcMargins = {0, 0, 0, 0};
    POINT m_ptCursorOffset = {0, 0};
    IDragControlUISink* m_pSink;  // not owned, may be null
    POINT m_ptCenter = {0, 0};
};
