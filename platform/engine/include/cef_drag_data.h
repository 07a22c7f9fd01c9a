#pragma once
#include "include/cef_base.h"

// What is being dragged.
class CefDragData : public virtual CefBase {
public:
    virtual bool IsLink() = 0;
    virtual bool IsFragment() = 0;
    virtual bool IsFile() = 0;
    virtual CefString GetLinkURL() = 0;
    virtual CefString GetFragmentText() = 0;
};
