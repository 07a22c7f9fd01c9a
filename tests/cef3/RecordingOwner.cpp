#include "RecordingOwner.h"

int RecordingOwner::OpenNewPopupWnd(const wchar_t* url, const wchar_t* params) {
    SlotCall c;
    c.slot = L"OpenNewPopupWnd";
    c.text = url ? url : L"";
    c.paramsNull = params == nullptr;
    Add(c);
    return 0;
}

void RecordingOwner::HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments,
                                  CCefCommonUI* control) {
    const std::wstring name = functionName ? functionName : L"";
    if (onJsCall) onJsCall(name, control);
    SlotCall c;
    c.slot = L"HandleJSCall";
    c.text = name;
    c.arguments = arguments ? arguments->Copy() : nullptr;
    c.control = control;
    Add(c);
}

void RecordingOwner::OnWebPageLoadEnd(CCefCommonUI* control, const wchar_t* frameUrl) {
    SlotCall c;
    c.slot = L"OnWebPageLoadEnd";
    c.text = frameUrl ? frameUrl : L"";
    c.control = control;
    Add(c);
}

void RecordingOwner::NotifyCefTitleChanged(CCefCommonUI* control, const wchar_t* title) {
    SlotCall c;
    c.slot = L"NotifyCefTitleChanged";
    c.text = title ? title : L"";
    c.control = control;
    Add(c);
}

void RecordingOwner::OpenPageGameWebWnd(const wchar_t* url, bool inNewTab) {
    SlotCall c;
    c.slot = L"OpenPageGameWebWnd";
    c.text = url ? url : L"";
    c.inNewTab = inNewTab;
    Add(c);
}

void RecordingOwner::Add(SlotCall call) {
    call.thread = GetCurrentThreadId();
    std::lock_guard<std::mutex> guard(lock_);
    calls_.push_back(std::move(call));
}

std::vector<SlotCall> RecordingOwner::Calls() {
    std::lock_guard<std::mutex> guard(lock_);
    return calls_;
}

size_t RecordingOwner::Count() {
    std::lock_guard<std::mutex> guard(lock_);
    return calls_.size();
}

void RecordingOwner::Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    calls_.clear();
}
