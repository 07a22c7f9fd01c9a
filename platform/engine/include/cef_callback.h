#pragma once
#include "include/cef_base.h"

// Called once when an asynchronous operation has finished.
class CefCompletionCallback : public virtual CefBase {
public:
    virtual void OnComplete() = 0;
};
