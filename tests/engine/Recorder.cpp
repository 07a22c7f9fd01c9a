#include "EngineFixture.h"

#include "Harness.h"

bool Recorder::OnProcessMessageReceived(CefRefPtr<CefBrowser>, CefProcessId source,
                                        CefRefPtr<CefProcessMessage> message) {
    Event e{L"Msg", message->GetName(), L"", source == PID_RENDERER ? 1 : 0};
    e.args = message->GetArgumentList()->Copy();
    Add(e);
    return source == PID_RENDERER;
}

bool Recorder::OnBeforePopup(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& url, const CefString& name,
                             WindowOpenDisposition, bool, const CefPopupFeatures&, CefWindowInfo&,
                             CefRefPtr<CefClient>&, CefBrowserSettings&, bool*) {
    Add({L"Popup", url, name});
    return true;
}

void Recorder::OnLoadStart(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame) {
    Add({L"LoadStart", frame->GetURL(), frame->IsMain() ? L"main" : L"sub"});
}

void Recorder::OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int status) {
    Add({L"LoadEnd", frame->GetURL(), frame->IsMain() ? L"main" : L"sub", status});
    if (onLoadEnd) onLoadEnd(browser, frame);
}

void Recorder::OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, ErrorCode code, const CefString& text,
                           const CefString& url) {
    Add({L"LoadError", url, text, code});
}

void Recorder::OnTitleChange(CefRefPtr<CefBrowser>, const CefString& title) { Add({L"Title", title}); }

void Recorder::OnBeforeContextMenu(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefContextMenuParams> params,
                                   CefRefPtr<CefMenuModel> model) {
    Add({L"ContextMenu", L"", L"", model->GetCount() * 100 + params->GetTypeFlags()});
    if (!keepMenu) model->Clear();  // no menu is shown, so nothing waits for a click
}

bool Recorder::OnDragEnter(CefRefPtr<CefBrowser>, CefRefPtr<CefDragData>, DragOperationsMask mask) {
    Add({L"DragEnter", L"", L"", static_cast<int>(mask)});
    return (mask & DRAG_OPERATION_LINK) != 0;
}

void Recorder::Add(Event e) {
    e.onUi = CefCurrentlyOn(TID_UI);
    std::lock_guard<std::mutex> lock(lock_);
    events_.push_back(std::move(e));
}

bool Recorder::WaitFor(const std::function<bool(const Event&)>& match, Event* out, unsigned timeoutMs) {
    return EngineTest::WaitPumping([&] {
        std::lock_guard<std::mutex> lock(lock_);
        for (auto& e : events_) {
            if (!match(e)) continue;
            if (out) *out = e;
            return true;
        }
        return false;
    }, timeoutMs);
}

bool Recorder::WaitForKind(const std::wstring& kind, const std::wstring& a, Event* out, unsigned timeoutMs) {
    return WaitFor([&](const Event& e) { return e.kind == kind && (a.empty() || e.a == a); }, out, timeoutMs);
}

std::vector<Event> Recorder::Events() {
    std::lock_guard<std::mutex> lock(lock_);
    return events_;
}

void Recorder::Clear() {
    std::lock_guard<std::mutex> lock(lock_);
    events_.clear();
}

std::wstring FileUrl(const std::wstring& path) {
    std::wstring p = path;
    for (auto& c : p)
        if (c == L'\\') c = L'/';
    return L"file:///" + p;
}

void WriteUtf8(const std::wstring& path, const std::string& text) { harness::WriteFileBytes(path, text); }
