#pragma once
// Request context: this engine has one global context; pass null.
#include "include/cef_base.h"

class CefRequestContext : public virtual CefBase {
public:
    static CefRefPtr<CefRequestContext> GetGlobalContext();
};
