#pragma once
// CDialogBuilder: builds a control tree from a skin file (UTF-8 XML under the
// resource path) or from XML text. The root element <Window> carries window
// attributes and holds <Font>, <Default>, <Style> and the one root control;
// any other element name is a control class ("Button", "VerticalLayout" ...).
// Class names the library does not know go to IDialogBuilderCallback.
// Errors (missing or malformed file, unknown class or attribute, missing
// image) are logged naming the file and line; a missing or malformed file
// gives no tree.
#include "UIControl.h"

namespace DuiLib {

class IDialogBuilderCallback {
public:
    virtual CControlUI* CreateControl(LPCTSTR pstrClass) = 0;
protected:
    ~IDialogBuilderCallback() = default;
};

class UILIB_API CDialogBuilder {
public:
    CDialogBuilder();
    ~CDialogBuilder();
    CDialogBuilder(const CDialogBuilder&) = delete;
    CDialogBuilder& operator=(const CDialogBuilder&) = delete;

    // xml: a file name relative to the resource path, or XML text starting
    // with '<'. Returns the root control (owned by the caller until attached)
    // or null. With a manager, fonts, defaults, styles and window attributes
    // go into it.
    CControlUI* Create(LPCTSTR xml, LPCTSTR type = nullptr, IDialogBuilderCallback* pCallback = nullptr,
                       CPaintManagerUI* pManager = nullptr, CControlUI* pParent = nullptr);
    // Text of the last error ("" when the last Create succeeded).
    LPCTSTR GetLastErrorMessage() const;

    // A stock control for a class name (without the "UI" suffix), or null.
    static CControlUI* CreateStockControl(LPCTSTR pstrClass);

private:
    struct Impl;
    Impl* impl_;
};

}  // namespace DuiLib
