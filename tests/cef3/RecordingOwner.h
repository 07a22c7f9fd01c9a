#pragma once
// An ICefUIContainer that records every slot call with the thread it came on.
#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ICefUIContainer.h"

struct SlotCall {
    std::wstring slot;  // "OpenNewPopupWnd", "HandleJSCall", "OnWebPageLoadEnd", ...
    std::wstring text;  // function name, URL or title
    bool paramsNull = true;
    bool inNewTab = false;  // OpenPageGameWebWnd
    CefRefPtr<CefListValue> arguments;  // a copy, for HandleJSCall
    CCefCommonUI* control = nullptr;
    DWORD thread = 0;
};

class RecordingOwner : public ICefUIContainer {
public:
    int OpenNewPopupWnd(const wchar_t* url, const wchar_t* params) override;
    void HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments, CCefCommonUI* control) override;
    void OnWebPageLoadEnd(CCefCommonUI* control, const wchar_t* frameUrl) override;
    void NotifyCefTitleChanged(CCefCommonUI* control, const wchar_t* title) override;
    void OpenPageGameWebWnd(const wchar_t* url, bool inNewTab) override;

    std::vector<SlotCall> Calls();
    size_t Count();
    void Clear();
    // Runs inside HandleJSCall (on the caller's thread), before it is recorded.
    std::function<void(const std::wstring& name, CCefCommonUI* control)> onJsCall;

private:
    void Add(SlotCall call);
    std::mutex lock_;
    std::vector<SlotCall> calls_;
};
