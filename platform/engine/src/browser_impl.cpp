// Browser-process browsers, frames and browser windows.
#include "browser_impl.h"

#include <ole2.h>

#include "engine.h"
#include "ipc.h"
#include "menu_model.h"

namespace cefstub {

const wchar_t kBrowserWindowClass[] = L"CefBrowserWindow";

namespace {

COLORREF ToColorRef(uint32_t argb, COLORREF fallback) {
    if ((argb >> 24) == 0) return fallback;
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

// Drags over a browser window: asks the client's drag handler first.
class DropTarget : public IDropTarget {
public:
    explicit DropTarget(int browserId) : browserId_(browserId) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDropTarget) {
            *out = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        DWORD mask = 0;
        if (*effect & DROPEFFECT_COPY) mask |= DRAG_OPERATION_COPY;
        if (*effect & DROPEFFECT_LINK) mask |= DRAG_OPERATION_LINK;
        if (*effect & DROPEFFECT_MOVE) mask |= DRAG_OPERATION_MOVE;
        // Drags from this process arrive on the dragging thread; the handler
        // is called on the engine UI thread all the same.
        int browserId = browserId_;
        auto refused = std::make_shared<bool>(false);
        RunOnUiThreadAndWait([browserId, mask, refused] {
            Engine* e = Engine::Get();
            CefRefPtr<BrowserImpl> b = e ? e->FindBrowser(browserId) : nullptr;
            CefRefPtr<CefClient> client = b ? b->GetClient() : nullptr;
            CefRefPtr<CefDragHandler> handler = client ? client->GetDragHandler() : nullptr;
            if (handler) *refused = handler->OnDragEnter(b.get(), nullptr, static_cast<cef_drag_operations_mask_t>(mask));
        });
        refused_ = *refused;
        if (refused_) *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        if (refused_) *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }

private:
    virtual ~DropTarget() = default;
    LONG refs_ = 1;
    int browserId_;
    bool refused_ = false;
};

BrowserImpl* FromWindow(HWND hwnd) { return reinterpret_cast<BrowserImpl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

LRESULT CALLBACK BrowserWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT rc;
            GetClientRect(hwnd, &rc);
            if (BrowserImpl* b = FromWindow(hwnd)) b->Paint(dc, rc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_CONTEXTMENU:
            if (BrowserImpl* b = FromWindow(hwnd)) {
                CefRefPtr<BrowserImpl> keep(b);
                keep->ShowContextMenu(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
            }
            return 0;
        case WM_NCDESTROY:
            RevokeDragDrop(hwnd);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

bool RegisterBrowserWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(instance, kBrowserWindowClass, &wc)) return true;
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = BrowserWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kBrowserWindowClass;
    return RegisterClassExW(&wc) != 0;
}

// ---------------------------------------------------------------- frame
BrowserFrame::BrowserFrame(BrowserImpl* browser, int64 id, int64 parentId, bool main)
    : browser_(browser), id_(id), parentId_(parentId), main_(main) {}

void BrowserFrame::SetState(const std::wstring& url, const std::wstring& name) {
    std::lock_guard<std::mutex> lock(lock_);
    url_ = url;
    name_ = name;
}

void BrowserFrame::Detach() {
    std::lock_guard<std::mutex> lock(lock_);
    browser_ = nullptr;
}

bool BrowserFrame::IsValid() {
    std::lock_guard<std::mutex> lock(lock_);
    return browser_ != nullptr;
}

CefString BrowserFrame::GetName() {
    std::lock_guard<std::mutex> lock(lock_);
    return name_;
}

CefString BrowserFrame::GetURL() {
    std::lock_guard<std::mutex> lock(lock_);
    return url_;
}

CefRefPtr<CefBrowser> BrowserFrame::GetBrowser() {
    std::lock_guard<std::mutex> lock(lock_);
    return browser_;
}

CefRefPtr<CefFrame> BrowserFrame::GetParent() {
    CefRefPtr<CefBrowser> b = GetBrowser();
    return b && !main_ ? b->GetFrame(parentId_) : nullptr;
}

void BrowserFrame::LoadURL(const CefString& url) {
    CefRefPtr<CefBrowser> b = GetBrowser();
    auto* impl = static_cast<BrowserImpl*>(b.get());
    if (!impl || url.empty()) return;
    auto m = impl->Message(ipc::kNavigate, id_);
    m->Set(ipc::kUrl, Value::String(url));
    impl->SendToRenderer(m);
}

void BrowserFrame::LoadString(const CefString& string_val, const CefString& url) {
    CefRefPtr<CefBrowser> b = GetBrowser();
    auto* impl = static_cast<BrowserImpl*>(b.get());
    if (!impl) return;
    auto m = impl->Message(ipc::kLoadString, id_);
    m->Set(ipc::kText, Value::String(string_val));
    m->Set(ipc::kUrl, Value::String(url));
    impl->SendToRenderer(m);
}

void BrowserFrame::ExecuteJavaScript(const CefString& code, const CefString& script_url, int start_line) {
    CefRefPtr<CefBrowser> b = GetBrowser();
    auto* impl = static_cast<BrowserImpl*>(b.get());
    if (!impl) return;
    auto m = impl->Message(ipc::kExecute, id_);
    m->Set(ipc::kCode, Value::String(code));
    m->Set(ipc::kUrl, Value::String(script_url));
    m->Set(ipc::kLine, Value::Int(start_line));
    impl->SendToRenderer(m);
}

// ---------------------------------------------------------------- browser
BrowserImpl::BrowserImpl(int id, HWND hwnd, CefRefPtr<CefClient> client)
    : BrowserBase(id), hwnd_(hwnd), main_(new BrowserFrame(this, id, -1, true)), client_(client) {
    frames_[id] = main_;
    DropTarget* target = new DropTarget(id);
    RegisterDragDrop(hwnd, target);
    target->Release();
}

ValuePtr BrowserImpl::Message(const wchar_t* kind, int64 frameId) {
    auto m = Value::Dict();
    m->Set(ipc::kKind, Value::String(kind));
    m->Set(ipc::kBrowser, Value::Int(id_));
    m->Set(ipc::kFrame, Value::Double(static_cast<double>(frameId)));
    return m;
}

std::shared_ptr<RendererHost> BrowserImpl::renderer() {
    std::lock_guard<std::mutex> lock(lock_);
    return renderer_;
}

CefRefPtr<CefClient> BrowserImpl::GetClient() {
    std::lock_guard<std::mutex> lock(lock_);
    return client_;
}

void BrowserImpl::AttachRenderer(std::shared_ptr<RendererHost> renderer) {
    {
        std::lock_guard<std::mutex> lock(lock_);
        renderer_ = renderer;
        if (!renderer) notice_ = L"The page could not be shown: no renderer process.";
    }
    if (!renderer) return;
    Engine::Get()->AttachBrowserToRenderer(renderer, id_);
    renderer->Send(*Message(ipc::kCreateBrowser, main_->GetIdentifier()));
}

void BrowserImpl::SendToRenderer(ValuePtr msg) {
    std::shared_ptr<RendererHost> r;
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (closing_) return;
        r = renderer_;
    }
    if (r && !r->gone()) {
        r->Send(*msg);
        return;
    }
    // No renderer (it ended): start one on the engine UI thread, then send.
    CefRefPtr<BrowserImpl> self(this);
    PostToThread(TID_UI, [self, msg] {
        Engine* e = Engine::Get();
        std::shared_ptr<RendererHost> current = self->renderer();
        if (!e || self->IsClosing()) return;
        if (!current || current->gone()) self->AttachRenderer(e->AcquireRenderer());
        if (auto r = self->renderer()) r->Send(*msg);
    });
}

CefRefPtr<BrowserFrame> BrowserImpl::FrameFor(int64 id, int64 parentId) {
    std::lock_guard<std::mutex> lock(lock_);
    auto it = frames_.find(id);
    if (it != frames_.end()) return it->second;
    CefRefPtr<BrowserFrame> f = new BrowserFrame(this, id, parentId, false);
    frames_[id] = f;
    return f;
}

void BrowserImpl::OnRendererMessage(const std::wstring& kind, const Value& msg) {
    CefRefPtr<CefClient> client = GetClient();
    if (!client) return;
    CefRefPtr<BrowserImpl> self(this);
    int64 frameId = static_cast<int64>(msg.GetDouble(ipc::kFrame));
    if (kind == ipc::kLoadStart || kind == ipc::kLoadEnd || kind == ipc::kLoadError) {
        HandleLoad(kind, msg, FrameFor(frameId, static_cast<int64>(msg.GetDouble(ipc::kParent))));
    } else if (kind == ipc::kTitle) {
        std::wstring title = msg.GetString(ipc::kTitleKey);
        {
            std::lock_guard<std::mutex> lock(lock_);
            title_ = title;
        }
        InvalidateRect(hwnd_, nullptr, FALSE);
        if (auto display = client->GetDisplayHandler()) display->OnTitleChange(this, title);
    } else if (kind == ipc::kPageText) {
        std::lock_guard<std::mutex> lock(lock_);
        pageUrl_ = msg.GetString(ipc::kUrl);
        pageText_ = msg.GetString(ipc::kText);
        InvalidateRect(hwnd_, nullptr, FALSE);
    } else if (kind == ipc::kPopup) {
        HandlePopup(msg, FrameFor(frameId, -1));
    } else if (kind == ipc::kProcessMessage) {
        client->OnProcessMessageReceived(this, PID_RENDERER,
                                         MakeProcessMessage(msg.GetString(ipc::kName), msg.Get(ipc::kArgs)));
    } else if (kind == ipc::kConsole) {
        if (auto display = client->GetDisplayHandler())
            display->OnConsoleMessage(this, msg.GetString(ipc::kText), msg.GetString(ipc::kUrl), msg.GetInt(ipc::kLine));
    }
}

void BrowserImpl::HandleLoad(const std::wstring& kind, const Value& msg, CefRefPtr<BrowserFrame> frame) {
    CefRefPtr<CefClient> client = GetClient();
    CefRefPtr<CefLoadHandler> load = client->GetLoadHandler();
    std::wstring url = msg.GetString(ipc::kUrl);
    bool main = frame->IsMain();
    if (kind == ipc::kLoadStart) {
        frame->SetState(url, msg.GetString(ipc::kName));
        if (main) {
            std::lock_guard<std::mutex> lock(lock_);
            loading_ = true;
            pageUrl_ = url;
            pageText_.clear();
            notice_.clear();
        }
        if (main)
            if (auto display = client->GetDisplayHandler()) display->OnAddressChange(this, frame.get(), url);
        if (load && main) load->OnLoadingStateChange(this, true, false, false);
        if (load) load->OnLoadStart(this, frame.get());
        return;
    }
    if (kind == ipc::kLoadEnd) {
        frame->SetState(url, frame->GetName());
        if (load) load->OnLoadEnd(this, frame.get(), msg.GetInt(ipc::kStatus));
    } else {
        std::wstring text = msg.GetString(ipc::kText);
        int code = msg.GetInt(ipc::kCode);
        if (main) {
            std::lock_guard<std::mutex> lock(lock_);
            notice_ = L"This page could not be loaded (" + text + L", " + std::to_wstring(code) + L").";
        }
        if (load) load->OnLoadError(this, frame.get(), static_cast<cef_errorcode_t>(code), text, url);
    }
    if (main) {
        {
            std::lock_guard<std::mutex> lock(lock_);
            loading_ = false;
        }
        InvalidateRect(hwnd_, nullptr, FALSE);
        if (load) load->OnLoadingStateChange(this, false, false, false);
    }
}

void BrowserImpl::HandlePopup(const Value& msg, CefRefPtr<BrowserFrame> frame) {
    CefRefPtr<CefClient> client = GetClient();
    CefRefPtr<CefLifeSpanHandler> life = client->GetLifeSpanHandler();
    bool cancelled = false;
    if (life) {
        CefPopupFeatures features;
        CefWindowInfo info;
        CefBrowserSettings settings;
        CefRefPtr<CefClient> popupClient = client;
        bool noScriptAccess = false;
        cancelled = life->OnBeforePopup(this, frame.get(), msg.GetString(ipc::kUrl), msg.GetString(ipc::kTarget),
                                        WOD_NEW_FOREGROUND_TAB, true, features, info, popupClient, settings,
                                        &noScriptAccess);
    }
    if (!cancelled) Log(LogSeverity::Warning, L"popup for %s not opened", msg.GetString(ipc::kUrl).c_str());
}

void BrowserImpl::OnRendererGone(unsigned long exitCode) {
    {
        std::lock_guard<std::mutex> lock(lock_);
        renderer_.reset();
        loading_ = false;
        notice_ = L"The page's renderer process has ended (exit code " + std::to_wstring(exitCode) +
                  L"). Reload to show it again.";
    }
    InvalidateRect(hwnd_, nullptr, FALSE);
    CefRefPtr<CefClient> client = GetClient();
    if (!client) return;
    if (auto request = client->GetRequestHandler())
        request->OnRenderProcessTerminated(this, exitCode == 0 ? TS_PROCESS_WAS_KILLED : TS_PROCESS_CRASHED);
}

void BrowserImpl::CloseBrowser(bool) {
    CefRefPtr<BrowserImpl> self(this);
    PostToThread(TID_UI, [self] { self->FinishClose(); });
}

void BrowserImpl::FinishClose() {
    std::shared_ptr<RendererHost> r;
    CefRefPtr<CefClient> client;
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (closing_) return;
        closing_ = true;
        r = renderer_;
        renderer_.reset();
        client = client_;
    }
    Engine* e = Engine::Get();
    if (r) {
        r->Send(*Message(ipc::kCloseBrowser, main_->GetIdentifier()));
        if (e) e->ReleaseRenderer(r, id_);
    }
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    if (client)
        if (auto life = client->GetLifeSpanHandler()) life->OnBeforeClose(this);
    std::map<int64, CefRefPtr<BrowserFrame>> frames;
    {
        std::lock_guard<std::mutex> lock(lock_);
        frames.swap(frames_);
        client_ = nullptr;
    }
    for (auto& f : frames) f.second->Detach();
    if (e) e->RemoveBrowser(id_);
}

bool BrowserImpl::IsLoading() {
    std::lock_guard<std::mutex> lock(lock_);
    return loading_;
}

void BrowserImpl::Reload() {
    std::wstring url = main_->GetURL();
    if (!url.empty()) main_->LoadURL(url);
}

CefRefPtr<CefFrame> BrowserImpl::GetFrame(int64 identifier) {
    std::lock_guard<std::mutex> lock(lock_);
    auto it = frames_.find(identifier);
    return it == frames_.end() ? nullptr : it->second.get();
}

CefRefPtr<CefFrame> BrowserImpl::GetFrame(const CefString& name) {
    std::lock_guard<std::mutex> lock(lock_);
    for (auto& f : frames_)
        if (f.second->GetName() == name) return f.second.get();
    return nullptr;
}

size_t BrowserImpl::GetFrameCount() {
    std::lock_guard<std::mutex> lock(lock_);
    return frames_.size();
}

void BrowserImpl::GetFrameIdentifiers(std::vector<int64>& identifiers) {
    std::lock_guard<std::mutex> lock(lock_);
    for (auto& f : frames_) identifiers.push_back(f.first);
}

void BrowserImpl::GetFrameNames(std::vector<CefString>& names) {
    std::lock_guard<std::mutex> lock(lock_);
    for (auto& f : frames_) names.push_back(f.second->GetName());
}

bool BrowserImpl::SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) {
    if (target_process != PID_RENDERER || !message) return false;
    std::shared_ptr<RendererHost> r = renderer();
    if (!r || r->gone()) return false;
    auto m = Message(ipc::kProcessMessage, main_->GetIdentifier());
    m->Set(ipc::kName, Value::String(message->GetName()));
    auto args = UnwrapList(message->GetArgumentList());
    m->Set(ipc::kArgs, args ? args : Value::List());
    return r->Send(*m);
}

void BrowserImpl::SetFocus(bool focus) {
    HWND hwnd = hwnd_;
    if (focus) PostToThread(TID_UI, [hwnd] { if (IsWindow(hwnd)) ::SetFocus(hwnd); });
}

void BrowserImpl::Invalidate(PaintElementType) { InvalidateRect(hwnd_, nullptr, FALSE); }

// Pages are not laid out, so there is nothing to scroll.
void BrowserImpl::SendMouseWheelEvent(const CefMouseEvent&, int, int) {}

std::wstring BrowserImpl::Title() {
    std::lock_guard<std::mutex> lock(lock_);
    return title_;
}

void BrowserImpl::Paint(HDC dc, const RECT& rc) {
    std::wstring title, url, text, notice;
    {
        std::lock_guard<std::mutex> lock(lock_);
        title = title_;
        url = pageUrl_;
        text = pageText_;
        notice = notice_;
    }
    Engine* e = Engine::Get();
    COLORREF back = ToColorRef(e ? e->settings().background_color : 0, RGB(255, 255, 255));
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    int luminance = GetRValue(back) * 3 + GetGValue(back) * 6 + GetBValue(back);
    SetTextColor(dc, luminance > 1280 ? RGB(0, 0, 0) : RGB(230, 230, 230));
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT r = rc;
    InflateRect(&r, -8, -8);
    std::wstring all = title + L"\n" + url + L"\n\n" + (notice.empty() ? text : notice + L"\n\n" + text);
    DrawTextW(dc, all.c_str(), static_cast<int>(all.size()), &r, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, oldFont);
}

void BrowserImpl::ShowContextMenu(int x, int y) {
    CefRefPtr<CefClient> client = GetClient();
    CefRefPtr<CefContextMenuHandler> handler = client ? client->GetContextMenuHandler() : nullptr;
    POINT pt = {x, y};
    if (x == -1 && y == -1) GetCursorPos(&pt);
    POINT local = pt;
    ScreenToClient(hwnd_, &local);
    CefRefPtr<MenuModelImpl> model = new MenuModelImpl();
    model->AddItem(MENU_ID_BACK, L"Back");
    model->AddItem(MENU_ID_FORWARD, L"Forward");
    model->AddSeparator();
    model->AddItem(MENU_ID_PRINT, L"Print...");
    model->AddItem(MENU_ID_VIEW_SOURCE, L"View source");
    CefRefPtr<ContextMenuParamsImpl> params =
        new ContextMenuParamsImpl(local.x, local.y, CM_TYPEFLAG_PAGE, main_->GetURL());
    if (handler) handler->OnBeforeContextMenu(this, main_.get(), params.get(), model.get());
    if (model->GetCount() == 0) return;
    HMENU menu = CreatePopupMenu();
    for (auto& item : model->items()) {
        if (item.type == MENUITEMTYPE_SEPARATOR) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        else AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.id), item.label.c_str());
    }
    int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, pt.x, pt.y, 0, hwnd_, nullptr);
    DestroyMenu(menu);
    bool handled = false;
    if (command && handler)
        handled = handler->OnContextMenuCommand(this, main_.get(), params.get(), command, EVENTFLAG_NONE);
    if (command == MENU_ID_RELOAD && !handled) Reload();
    if (handler) handler->OnContextMenuDismissed(this, main_.get());
}

}  // namespace cefstub
