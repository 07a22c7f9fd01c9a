// CPaintManagerUI: message routing to controls, notifications, painting,
// fonts, images, defaults and styles of one skin window.
#include "DuiLib/UIManager.h"
#include "DuiLib/UIControl.h"
#include "DuiLib/UIContainer.h"
#include "DuiLib/UIControls.h"
#include "DuiLib/UIRender.h"
#include "DuiLib/UIMenu.h"
#include "Internal.h"

#include <algorithm>
#include <cwctype>
#include <mutex>
#include <set>
#include <windowsx.h>

namespace DuiLib {

namespace {

HINSTANCE g_instance = nullptr;
CDuiString g_resourcePath;
std::vector<CPaintManagerUI*> g_managers;   // window thread(s): every manager with a window

UINT AsyncNotifyMessage() {
    static const UINT id = ::RegisterWindowMessageW(L"DuiLib.AsyncNotify");
    return id;
}

struct ImageEntry {
    TImageInfo* info = nullptr;   // owned; null = failed to load
    DWORD checkedAt = 0;          // tick of the last look at the file
    ULONGLONG stamp = 0;          // last-write time and size of the file when loaded
};

// A file that failed to load is tried again, and a loaded one is checked for
// a newer version, at most this often (images are replaced while running:
// downloaded icons and head images).
const DWORD kRecheckImageMs = 1000;

ULONGLONG FileStamp(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    ULONGLONG written = (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                        data.ftLastWriteTime.dwLowDateTime;
    return written ^ (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
}

std::wstring ResolveImagePath(LPCTSTR bitmap) {
    std::wstring path(bitmap);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    bool absolute = (path.size() > 1 && path[1] == L':') || (path.size() > 1 && path[0] == L'\\' && path[1] == L'\\');
    return absolute ? path : std::wstring(CPaintManagerUI::GetResourcePath().GetData()) + path;
}

std::wstring Lower(std::wstring s) {
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return std::towlower(c); });
    return s;
}

CControlUI* CALLBACK FindByName(CControlUI* c, LPVOID data) {
    return c->GetName() == static_cast<LPCTSTR>(data) ? c : nullptr;
}
CControlUI* CALLBACK FindByPoint(CControlUI* c, LPVOID) { return c; }

bool IsInSubtree(CControlUI* c, CControlUI* root) {
    for (; c; c = c->GetParent())
        if (c == root) return true;
    return false;
}

struct ClassIndex {
    LPCTSTR cls;
    int index;
    int seen;
};
CControlUI* CALLBACK FindByClass(CControlUI* c, LPVOID data) {
    ClassIndex* q = static_cast<ClassIndex*>(data);
    if (_wcsicmp(c->GetClass(), q->cls) != 0) return nullptr;
    return q->seen++ == q->index ? c : nullptr;
}

}  // namespace

struct CPaintManagerUI::Impl {
    HWND hwnd = nullptr;
    CControlUI* root = nullptr;          // owned
    bool updateNeeded = true;
    bool firstLayout = true;
    CControlUI* focus = nullptr;
    CControlUI* hover = nullptr;
    CControlUI* click = nullptr;         // gets the mouse until the button is released
    CControlUI* rclick = nullptr;
    bool mouseTracking = false;
    bool captured = false;
    POINT lastMouse = {-1, -1};
    std::vector<INotifyUI*> notifiers;
    std::vector<IMessageFilterUI*> preFilters;
    std::vector<IMessageFilterUI*> filters;
    std::vector<CControlUI*> postPaint;
    std::map<std::wstring, std::vector<CControlUI*>> optionGroups;
    std::map<int, TFontInfo> fonts;
    TFontInfo defaultFont;
    std::map<std::wstring, ImageEntry> images;
    std::map<std::wstring, std::wstring> defaults;   // class name (lower case) -> attribute list
    std::map<std::wstring, std::wstring> styles;
    std::mutex asyncLock;               // asyncNotify is filled from any thread
    std::vector<TNotifyUI> asyncNotify;
    std::vector<CControlUI*> delayedDelete;
    int dispatchDepth = 0;
    SIZE initSize = {0, 0};
    SIZE minInfo = {0, 0};
    SIZE maxInfo = {0, 0};
    RECT caption = {0, 0, 0, 0};
    RECT sizeBox = {0, 0, 0, 0};
    DWORD disabledColor = 0xFFA7A6AA;
    DWORD fontColor = 0xFF000000;
    std::wstring skinFile;
    detail::UniqueMemDc offscreenDc;
    detail::UniqueGdiObject offscreenBitmap;
    HGDIOBJ offscreenOld = nullptr;
    SIZE offscreenSize = {0, 0};

    void FireEvent(CControlUI* target, int type, WPARAM wParam, LPARAM lParam, POINT pt) {
        if (!target) return;
        TEventUI ev;
        ev.Type = type;
        ev.pSender = target;
        ev.dwTimestamp = ::GetTickCount();
        ev.ptMouse = pt;
        ev.wKeyState = static_cast<WORD>(wParam);
        ev.wParam = wParam;
        ev.lParam = lParam;
        target->Event(ev);
    }

    void ReleaseOffscreen() {
        if (offscreenDc && offscreenOld) ::SelectObject(offscreenDc.get(), offscreenOld);
        offscreenOld = nullptr;
        offscreenBitmap.reset();
        offscreenDc.reset();
        offscreenSize = {0, 0};
    }
};

// Counts the manager as busy with an event or notification; the last one out
// runs the deferred deletions.
class DispatchScope {
public:
    explicit DispatchScope(CPaintManagerUI* pm) : pm_(pm) { pm_->BeginDispatch(); }
    ~DispatchScope() { pm_->EndDispatch(); }
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;
private:
    CPaintManagerUI* pm_;
};

CPaintManagerUI::CPaintManagerUI() : impl_(new Impl) {
    LOGFONTW lf = {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    SetDefaultFont(lf.lfFaceName, 12, false, false, false);
}

CPaintManagerUI::~CPaintManagerUI() {
    g_managers.erase(std::remove(g_managers.begin(), g_managers.end(), this), g_managers.end());
    for (CControlUI* c : impl_->delayedDelete) delete c;
    impl_->delayedDelete.clear();
    delete impl_->root;
    impl_->root = nullptr;
    for (auto& f : impl_->fonts) ::DeleteObject(f.second.hFont);
    ::DeleteObject(impl_->defaultFont.hFont);
    RemoveAllImages();
    impl_->ReleaseOffscreen();
}

// ---------------------------------------------------------------- statics

void CPaintManagerUI::SetInstance(HINSTANCE hInst) { g_instance = hInst; }
HINSTANCE CPaintManagerUI::GetInstance() { return g_instance ? g_instance : ::GetModuleHandleW(nullptr); }

CDuiString CPaintManagerUI::GetInstancePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(GetInstance(), &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return CDuiString();
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    return CDuiString(path.substr(0, slash == std::wstring::npos ? 0 : slash + 1));
}

void CPaintManagerUI::SetResourcePath(LPCTSTR path) {
    g_resourcePath = path;
    if (!g_resourcePath.IsEmpty()) {
        TCHAR last = g_resourcePath[g_resourcePath.GetLength() - 1];
        if (last != L'\\' && last != L'/') g_resourcePath += L'\\';
    }
}

const CDuiString& CPaintManagerUI::GetResourcePath() { return g_resourcePath; }

bool CPaintManagerUI::TranslateMessage(const LPMSG pMsg) {
    if (!pMsg || pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return false;
    for (HWND h = pMsg->hwnd; h; h = ::GetParent(h)) {
        for (CPaintManagerUI* m : g_managers) {
            if (m->GetPaintWindow() != h) continue;
            LRESULT lRes = 0;
            return m->PreMessageHandler(pMsg->message, pMsg->wParam, pMsg->lParam, lRes);
        }
    }
    return false;
}

void CPaintManagerUI::MessageLoop() {
    MSG msg = {};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TranslateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void CPaintManagerUI::SetLogSink(LogSink sink) { detail::SetSink(sink); }

namespace {

std::mutex g_liveRecordsLock;
std::set<const void*> g_liveRecords;   // under g_liveRecordsLock

}  // namespace

MenuCmd* detail::NewLiveMenuCmd() {
    MenuCmd* record = new MenuCmd();
    std::lock_guard<std::mutex> hold(g_liveRecordsLock);
    g_liveRecords.insert(record);
    return record;
}

void CPaintManagerUI::DeletePtr(void* ptr) {
    {
        std::lock_guard<std::mutex> hold(g_liveRecordsLock);
        if (!g_liveRecords.erase(ptr)) {
            if (ptr) detail::Log(L"DeletePtr: 0x%p is no record of the library, not freed", ptr);
            return;
        }
    }
    delete static_cast<MenuCmd*>(ptr);
}

bool CPaintManagerUI::IsLivePtr(const void* ptr) {
    std::lock_guard<std::mutex> hold(g_liveRecordsLock);
    return ptr && g_liveRecords.count(ptr) != 0;
}

// ---------------------------------------------------------------- window binding

void CPaintManagerUI::Init(HWND hWnd) {
    impl_->hwnd = hWnd;
    if (std::find(g_managers.begin(), g_managers.end(), this) == g_managers.end()) g_managers.push_back(this);
}

HWND CPaintManagerUI::GetPaintWindow() const { return impl_->hwnd; }
HDC CPaintManagerUI::GetPaintDC() const { return impl_->offscreenDc.get(); }
POINT CPaintManagerUI::GetMousePos() const { return impl_->lastMouse; }

SIZE CPaintManagerUI::GetClientSize() const {
    RECT rc = {0, 0, 0, 0};
    if (impl_->hwnd) ::GetClientRect(impl_->hwnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

SIZE CPaintManagerUI::GetInitSize() const { return impl_->initSize; }

void CPaintManagerUI::SetInitSize(int cx, int cy) {
    impl_->initSize = SIZE{cx, cy};
    if (impl_->hwnd && !impl_->root)
        ::SetWindowPos(impl_->hwnd, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

RECT& CPaintManagerUI::GetSizeBox() { return impl_->sizeBox; }
void CPaintManagerUI::SetSizeBox(RECT& rcSizeBox) { impl_->sizeBox = rcSizeBox; }
RECT& CPaintManagerUI::GetCaptionRect() { return impl_->caption; }
void CPaintManagerUI::SetCaptionRect(RECT& rcCaption) { impl_->caption = rcCaption; }
SIZE CPaintManagerUI::GetMinInfo() const { return impl_->minInfo; }
void CPaintManagerUI::SetMinInfo(int cx, int cy) { impl_->minInfo = SIZE{cx, cy}; }
SIZE CPaintManagerUI::GetMaxInfo() const { return impl_->maxInfo; }
void CPaintManagerUI::SetMaxInfo(int cx, int cy) { impl_->maxInfo = SIZE{cx, cy}; }

// ---------------------------------------------------------------- tree

bool CPaintManagerUI::AttachDialog(CControlUI* pControl) {
    if (!pControl) return false;
    if (impl_->root && impl_->root != pControl) {
        CControlUI* old = impl_->root;
        impl_->root = nullptr;
        ReapObjects(old);
        DelayedDelete(old);
    }
    impl_->focus = impl_->hover = impl_->click = impl_->rclick = nullptr;
    impl_->root = pControl;
    impl_->updateNeeded = true;
    impl_->firstLayout = true;
    bool ok = InitControls(pControl);
    pControl->Init();
    return ok;
}

bool CPaintManagerUI::InitControls(CControlUI* pControl, CControlUI* pParent) {
    if (!pControl) return false;
    pControl->SetManager(this, pParent ? pParent : pControl->GetParent(), true);
    return true;
}

void CPaintManagerUI::ReapObjects(CControlUI* pControl) {
    if (!pControl) return;
    Impl& d = *impl_;
    if (IsInSubtree(d.focus, pControl)) d.focus = nullptr;
    if (IsInSubtree(d.hover, pControl)) d.hover = nullptr;
    if (IsInSubtree(d.click, pControl)) {
        d.click = nullptr;
        if (d.captured) ReleaseCapture();
    }
    if (IsInSubtree(d.rclick, pControl)) d.rclick = nullptr;
    auto inSubtree = [pControl](CControlUI* c) { return IsInSubtree(c, pControl); };
    d.postPaint.erase(std::remove_if(d.postPaint.begin(), d.postPaint.end(), inSubtree), d.postPaint.end());
    for (auto& g : d.optionGroups)
        g.second.erase(std::remove_if(g.second.begin(), g.second.end(), inSubtree), g.second.end());
    std::lock_guard<std::mutex> hold(d.asyncLock);
    d.asyncNotify.erase(std::remove_if(d.asyncNotify.begin(), d.asyncNotify.end(),
                                       [&](const TNotifyUI& n) { return inSubtree(n.pSender); }),
                        d.asyncNotify.end());
}

CControlUI* CPaintManagerUI::GetRoot() const { return impl_->root; }

CControlUI* CPaintManagerUI::FindControl(POINT pt) const {
    if (!impl_->root) return nullptr;
    return impl_->root->FindControl(FindByPoint, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindControl(LPCTSTR pstrName) const {
    if (!impl_->root || !pstrName) return nullptr;
    return impl_->root->FindControl(FindByName, const_cast<LPTSTR>(pstrName), UIFIND_ALL);
}

CControlUI* CPaintManagerUI::FindSubControlByPoint(CControlUI* pParent, POINT pt) const {
    if (!pParent) pParent = impl_->root;
    if (!pParent) return nullptr;
    return pParent->FindControl(FindByPoint, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* pParent, LPCTSTR pstrName) const {
    if (!pParent) pParent = impl_->root;
    if (!pParent || !pstrName) return nullptr;
    return pParent->FindControl(FindByName, const_cast<LPTSTR>(pstrName), UIFIND_ALL);
}

CControlUI* CPaintManagerUI::FindSubControlByClass(CControlUI* pParent, LPCTSTR pstrClass, int iIndex) {
    if (!pParent) pParent = impl_->root;
    if (!pParent || !pstrClass) return nullptr;
    ClassIndex q = {pstrClass, iIndex, 0};
    return pParent->FindControl(FindByClass, &q, UIFIND_ALL);
}

bool CPaintManagerUI::AddOptionGroup(LPCTSTR pStrGroupName, CControlUI* pControl) {
    if (!pStrGroupName || !*pStrGroupName || !pControl) return false;
    std::vector<CControlUI*>& g = impl_->optionGroups[pStrGroupName];
    if (std::find(g.begin(), g.end(), pControl) != g.end()) return false;
    g.push_back(pControl);
    return true;
}

std::vector<CControlUI*>* CPaintManagerUI::GetOptionGroup(LPCTSTR pStrGroupName) {
    if (!pStrGroupName) return nullptr;
    auto it = impl_->optionGroups.find(pStrGroupName);
    return it == impl_->optionGroups.end() ? nullptr : &it->second;
}

void CPaintManagerUI::RemoveOptionGroup(LPCTSTR pStrGroupName, CControlUI* pControl) {
    std::vector<CControlUI*>* g = GetOptionGroup(pStrGroupName);
    if (g) g->erase(std::remove(g->begin(), g->end(), pControl), g->end());
}

void CPaintManagerUI::RemoveAllOptionGroups() { impl_->optionGroups.clear(); }

// ---------------------------------------------------------------- focus and capture

CControlUI* CPaintManagerUI::GetFocus() const { return impl_->focus; }

void CPaintManagerUI::SetFocus(CControlUI* pControl) {
    Impl& d = *impl_;
    if (pControl == d.focus) return;
    if (pControl && pControl->GetManager() != this) return;
    if (d.hwnd && ::GetFocus() != d.hwnd && pControl && !(pControl->GetInterface(L"Edit")))
        ::SetFocus(d.hwnd);
    CControlUI* old = d.focus;
    d.focus = pControl;
    if (old) {
        d.FireEvent(old, UIEVENT_KILLFOCUS, 0, 0, d.lastMouse);
        SendNotify(old, DUI_MSGTYPE_KILLFOCUS);
    }
    if (pControl && d.focus == pControl) {
        d.FireEvent(pControl, UIEVENT_SETFOCUS, 0, 0, d.lastMouse);
        SendNotify(pControl, DUI_MSGTYPE_SETFOCUS);
    }
}


namespace {
struct TabSearch {
    std::vector<CControlUI*> stops;
};
CControlUI* CALLBACK CollectTabStops(CControlUI* c, LPVOID data) {
    if ((c->GetControlFlags() & UIFLAG_TABSTOP) && c->IsKeyboardEnabled())
        static_cast<TabSearch*>(data)->stops.push_back(c);
    return nullptr;
}
}  // namespace

bool CPaintManagerUI::SetNextTabControl(bool bForward) {
    if (!impl_->root) return false;
    TabSearch s;
    impl_->root->FindControl(CollectTabStops, &s, UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
    if (s.stops.empty()) return false;
    auto it = std::find(s.stops.begin(), s.stops.end(), impl_->focus);
    size_t n = s.stops.size();
    size_t next;
    if (it == s.stops.end()) next = bForward ? 0 : n - 1;
    else next = (static_cast<size_t>(it - s.stops.begin()) + (bForward ? 1 : n - 1)) % n;
    SetFocus(s.stops[next]);
    return true;
}

void CPaintManagerUI::SetCapture() {
    ::SetCapture(impl_->hwnd);
    impl_->captured = true;
}

void CPaintManagerUI::ReleaseCapture() {
    impl_->captured = false;
    if (::GetCapture() == impl_->hwnd) ::ReleaseCapture();
}

bool CPaintManagerUI::IsCaptured() { return impl_->captured; }

// ---------------------------------------------------------------- notifications and filters

namespace {
template <typename T>
bool AddUnique(std::vector<T*>& v, T* p) {
    if (!p || std::find(v.begin(), v.end(), p) != v.end()) return false;
    v.push_back(p);
    return true;
}
template <typename T>
bool RemoveOne(std::vector<T*>& v, T* p) {
    auto it = std::find(v.begin(), v.end(), p);
    if (it == v.end()) return false;
    v.erase(it);
    return true;
}
}  // namespace

bool CPaintManagerUI::AddNotifier(INotifyUI* pControl) { return AddUnique(impl_->notifiers, pControl); }
bool CPaintManagerUI::RemoveNotifier(INotifyUI* pControl) { return RemoveOne(impl_->notifiers, pControl); }
bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* pFilter) { return AddUnique(impl_->preFilters, pFilter); }
bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* pFilter) { return RemoveOne(impl_->preFilters, pFilter); }
bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* pFilter) { return AddUnique(impl_->filters, pFilter); }
bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* pFilter) { return RemoveOne(impl_->filters, pFilter); }
bool CPaintManagerUI::AddPostPaint(CControlUI* pControl) { return AddUnique(impl_->postPaint, pControl); }
bool CPaintManagerUI::RemovePostPaint(CControlUI* pControl) { return RemoveOne(impl_->postPaint, pControl); }
int CPaintManagerUI::GetPostPaintCount() const { return static_cast<int>(impl_->postPaint.size()); }

void CPaintManagerUI::SendNotify(TNotifyUI& Msg, bool bAsync) {
    Msg.ptMouse = impl_->lastMouse;
    Msg.dwTimestamp = ::GetTickCount();
    // A notification raised on another thread (the browser engine's) is
    // delivered on the window's thread, like an asynchronous one.
    HWND hwnd = impl_->hwnd;
    if (!bAsync && hwnd && ::GetWindowThreadProcessId(hwnd, nullptr) != ::GetCurrentThreadId()) bAsync = true;
    if (bAsync) {
        {
            std::lock_guard<std::mutex> hold(impl_->asyncLock);
            impl_->asyncNotify.push_back(Msg);
        }
        if (hwnd) ::PostMessageW(hwnd, AsyncNotifyMessage(), 0, 0);
        return;
    }
    DispatchScope scope(this);
    std::vector<INotifyUI*> notifiers = impl_->notifiers;
    for (INotifyUI* n : notifiers) {
        if (std::find(impl_->notifiers.begin(), impl_->notifiers.end(), n) == impl_->notifiers.end()) continue;
        n->Notify(Msg);
    }
}

void CPaintManagerUI::SendNotify(CControlUI* pControl, LPCTSTR pstrMessage, WPARAM wParam, LPARAM lParam, bool bAsync) {
    TNotifyUI msg;
    msg.pSender = pControl;
    msg.sType = pstrMessage;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg, bAsync);
}

void CPaintManagerUI::DelayedDelete(CControlUI* pControl) {
    if (!pControl) return;
    if (impl_->dispatchDepth > 0) impl_->delayedDelete.push_back(pControl);
    else delete pControl;
}

bool CPaintManagerUI::IsDispatching() const { return impl_->dispatchDepth > 0; }

void CPaintManagerUI::BeginDispatch() { ++impl_->dispatchDepth; }

void CPaintManagerUI::EndDispatch() {
    if (--impl_->dispatchDepth > 0) return;
    impl_->dispatchDepth = 0;
    // Deleting may remove more controls (destructors of containers); those
    // are deleted at once since nothing is dispatching any more.
    std::vector<CControlUI*> doomed;
    doomed.swap(impl_->delayedDelete);
    for (CControlUI* c : doomed) delete c;
}

// ---------------------------------------------------------------- painting

void CPaintManagerUI::Invalidate() {
    if (impl_->hwnd) ::InvalidateRect(impl_->hwnd, nullptr, FALSE);
}

void CPaintManagerUI::Invalidate(RECT& rcItem) {
    if (impl_->hwnd) ::InvalidateRect(impl_->hwnd, &rcItem, FALSE);
}

void CPaintManagerUI::NeedUpdate() {
    impl_->updateNeeded = true;
    Invalidate();
}

bool CPaintManagerUI::IsUpdateNeeded() const { return impl_->updateNeeded; }
DWORD CPaintManagerUI::GetDefaultDisabledColor() const { return impl_->disabledColor; }
void CPaintManagerUI::SetDefaultDisabledColor(DWORD dwColor) { impl_->disabledColor = dwColor; }
DWORD CPaintManagerUI::GetDefaultFontColor() const { return impl_->fontColor; }
void CPaintManagerUI::SetDefaultFontColor(DWORD dwColor) { impl_->fontColor = dwColor; }

// ---------------------------------------------------------------- fonts

namespace {
HFONT MakeFont(TFontInfo& info, LPCTSTR name, int size, bool bold, bool underline, bool italic) {
    LOGFONTW lf = {};
    lstrcpynW(lf.lfFaceName, name ? name : L"", LF_FACESIZE);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = -size;
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = underline;
    lf.lfItalic = italic;
    lf.lfQuality = CLEARTYPE_QUALITY;
    info.hFont = ::CreateFontIndirectW(&lf);
    info.sFontName = name;
    info.iSize = size;
    info.bBold = bold;
    info.bUnderline = underline;
    info.bItalic = italic;
    detail::WindowDc dc(nullptr);
    detail::SelectGuard sel(dc.get(), info.hFont);
    ::GetTextMetricsW(dc.get(), &info.tm);
    return info.hFont;
}
}  // namespace

HFONT CPaintManagerUI::GetFont(int index) {
    TFontInfo* info = GetFontInfo(index);
    return info->hFont;
}

HFONT CPaintManagerUI::GetDefaultFont() { return impl_->defaultFont.hFont; }

TFontInfo* CPaintManagerUI::GetFontInfo(int index) {
    auto it = impl_->fonts.find(index);
    return it == impl_->fonts.end() ? &impl_->defaultFont : &it->second;
}

TFontInfo* CPaintManagerUI::GetFontInfo(HFONT hFont) {
    for (auto& f : impl_->fonts)
        if (f.second.hFont == hFont) return &f.second;
    return &impl_->defaultFont;
}

HFONT CPaintManagerUI::AddFont(int id, LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic) {
    auto it = impl_->fonts.find(id);
    if (it != impl_->fonts.end()) ::DeleteObject(it->second.hFont);
    TFontInfo& info = impl_->fonts[id];
    info = TFontInfo();
    return MakeFont(info, pStrFontName, nSize, bBold, bUnderline, bItalic);
}

void CPaintManagerUI::SetDefaultFont(LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic) {
    HFONT old = impl_->defaultFont.hFont;
    impl_->defaultFont = TFontInfo();
    MakeFont(impl_->defaultFont, pStrFontName, nSize, bBold, bUnderline, bItalic);
    if (old) ::DeleteObject(old);
}

int CPaintManagerUI::GetFontCount() const { return static_cast<int>(impl_->fonts.size()); }

// ---------------------------------------------------------------- images

const TImageInfo* CPaintManagerUI::GetImage(LPCTSTR bitmap) {
    if (!bitmap) return nullptr;
    auto it = impl_->images.find(Lower(ResolveImagePath(bitmap)));
    return it == impl_->images.end() ? nullptr : it->second.info;
}

const TImageInfo* CPaintManagerUI::GetImageEx(LPCTSTR bitmap) {
    if (!bitmap || !*bitmap) return nullptr;
    std::wstring path = ResolveImagePath(bitmap);
    std::wstring key = Lower(path);
    DWORD now = ::GetTickCount();
    auto it = impl_->images.find(key);
    bool known = it != impl_->images.end();
    if (known && now - it->second.checkedAt < kRecheckImageMs) return it->second.info;
    ImageEntry& entry = impl_->images[key];
    entry.checkedAt = now;
    ULONGLONG stamp = FileStamp(path);
    if (entry.info && stamp == entry.stamp) return entry.info;
    CRenderEngine::FreeImage(entry.info);
    entry.info = CRenderEngine::LoadImage(path.c_str());
    entry.stamp = stamp;
    if (!entry.info && !known)
        detail::Log(L"image '%s' cannot be loaded (%s)%s%s", bitmap, path.c_str(),
                    impl_->skinFile.empty() ? L"" : L", skin ", impl_->skinFile.c_str());
    return entry.info;
}

void CPaintManagerUI::RemoveImage(LPCTSTR bitmap) {
    if (!bitmap) return;
    auto it = impl_->images.find(Lower(ResolveImagePath(bitmap)));
    if (it == impl_->images.end()) return;
    CRenderEngine::FreeImage(it->second.info);
    impl_->images.erase(it);
}

void CPaintManagerUI::RemoveAllImages() {
    for (auto& i : impl_->images) CRenderEngine::FreeImage(i.second.info);
    impl_->images.clear();
}

// ---------------------------------------------------------------- defaults and styles

void CPaintManagerUI::AddDefaultAttributeList(LPCTSTR pStrControlName, LPCTSTR pStrControlAttrList) {
    if (pStrControlName) impl_->defaults[Lower(pStrControlName)] = pStrControlAttrList ? pStrControlAttrList : L"";
}

LPCTSTR CPaintManagerUI::GetDefaultAttributeList(LPCTSTR pStrControlName) const {
    if (!pStrControlName) return nullptr;
    auto it = impl_->defaults.find(Lower(pStrControlName));
    return it == impl_->defaults.end() ? nullptr : it->second.c_str();
}

void CPaintManagerUI::AddStyle(LPCTSTR pStrName, LPCTSTR pStrAttrList) {
    if (pStrName) impl_->styles[pStrName] = pStrAttrList ? pStrAttrList : L"";
}

LPCTSTR CPaintManagerUI::GetStyle(LPCTSTR pStrName) const {
    if (!pStrName) return nullptr;
    auto it = impl_->styles.find(pStrName);
    return it == impl_->styles.end() ? nullptr : it->second.c_str();
}

void CPaintManagerUI::SetWindowAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    const std::wstring name(pstrName ? pstrName : L"");
    if (name == L"size") {
        SIZE s = detail::ParseSize(pstrValue);
        SetInitSize(s.cx, s.cy);
    } else if (name == L"caption") {
        RECT rc = detail::ParseRect(pstrValue);
        SetCaptionRect(rc);
    } else if (name == L"sizebox") {
        RECT rc = detail::ParseRect(pstrValue);
        SetSizeBox(rc);
    } else if (name == L"mininfo") {
        SIZE s = detail::ParseSize(pstrValue);
        SetMinInfo(s.cx, s.cy);
    } else if (name == L"maxinfo") {
        SIZE s = detail::ParseSize(pstrValue);
        SetMaxInfo(s.cx, s.cy);
    } else if (name == L"disabledfontcolor") {
        SetDefaultDisabledColor(ParseColor(pstrValue));
    } else if (name == L"defaultfontcolor") {
        SetDefaultFontColor(ParseColor(pstrValue));
    } else if (name == L"roundcorner" || name == L"bktrans" || name == L"showdirty" || name == L"alpha") {
        // Accepted for compatibility with skins made for layered windows; drawn opaque.
    } else {
        detail::Log(L"unknown window attribute %s=\"%s\"%s", pstrName, pstrValue ? pstrValue : L"",
                    detail::DescribeSkinLocation().c_str());
    }
}

void CPaintManagerUI::SetSkinFile(LPCTSTR file) { impl_->skinFile = file ? file : L""; }
LPCTSTR CPaintManagerUI::GetSkinFile() const { return impl_->skinFile.c_str(); }

// ---------------------------------------------------------------- messages

bool CPaintManagerUI::PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    std::vector<IMessageFilterUI*> filters = impl_->preFilters;
    for (IMessageFilterUI* f : filters) {
        bool handled = false;
        lRes = f->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) return true;
    }
    return false;
}

namespace {

void Paint(CPaintManagerUI* pm, CPaintManagerUI::Impl& d) {
    PAINTSTRUCT ps = {};
    HDC dc = ::BeginPaint(d.hwnd, &ps);
    SIZE client = pm->GetClientSize();
    if (!d.root || client.cx <= 0 || client.cy <= 0) {
        ::EndPaint(d.hwnd, &ps);
        return;
    }
    for (int pass = 0; pass < 3 && d.updateNeeded; ++pass) {
        d.updateNeeded = false;
        d.root->SetPos(RECT{0, 0, client.cx, client.cy}, false);
        if (d.firstLayout) {
            d.firstLayout = false;
            pm->SendNotify(d.root, DUI_MSGTYPE_WINDOWINIT);
            client = pm->GetClientSize();
        }
    }
    if (!d.root) {   // a handler of "windowinit" may have replaced the tree
        ::EndPaint(d.hwnd, &ps);
        return;
    }
    if (!d.offscreenDc || d.offscreenSize.cx != client.cx || d.offscreenSize.cy != client.cy) {
        d.ReleaseOffscreen();
        d.offscreenDc.reset(::CreateCompatibleDC(dc));
        d.offscreenBitmap.reset(::CreateCompatibleBitmap(dc, client.cx, client.cy));
        if (d.offscreenDc && d.offscreenBitmap) {
            d.offscreenOld = ::SelectObject(d.offscreenDc.get(), d.offscreenBitmap.get());
            d.offscreenSize = client;
        }
    }
    HDC mem = d.offscreenDc.get();
    if (!mem || !d.offscreenBitmap) {
        ::EndPaint(d.hwnd, &ps);
        return;
    }
    RECT rcPaint = ps.rcPaint;
    {
        detail::ClipGuard clip(mem, rcPaint);
        ::FillRect(mem, &rcPaint, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        d.root->DoPaint(mem, rcPaint);
        std::vector<CControlUI*> post = d.postPaint;
        for (CControlUI* c : post)
            if (std::find(d.postPaint.begin(), d.postPaint.end(), c) != d.postPaint.end()) c->DoPostPaint(mem, rcPaint);
    }
    ::BitBlt(dc, rcPaint.left, rcPaint.top, rcPaint.right - rcPaint.left, rcPaint.bottom - rcPaint.top, mem,
             rcPaint.left, rcPaint.top, SRCCOPY);
    ::EndPaint(d.hwnd, &ps);
}

}  // namespace

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    Impl& d = *impl_;
    if (!d.hwnd) return false;
    DispatchScope scope(this);
    {
        std::vector<IMessageFilterUI*> filters = d.filters;
        for (IMessageFilterUI* f : filters) {
            if (std::find(d.filters.begin(), d.filters.end(), f) == d.filters.end()) continue;
            bool handled = false;
            lRes = f->MessageHandler(uMsg, wParam, lParam, handled);
            if (handled) return true;
        }
    }
    if (uMsg == AsyncNotifyMessage()) {
        std::vector<TNotifyUI> queued;
        {
            std::lock_guard<std::mutex> hold(d.asyncLock);
            queued.swap(d.asyncNotify);
        }
        for (TNotifyUI& n : queued) SendNotify(n, false);
        return true;
    }
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (uMsg) {
    case WM_ERASEBKGND:
        lRes = 1;
        return true;
    case WM_PAINT:
        Paint(this, d);
        return true;
    case WM_PRINTCLIENT: {
        if (!d.root) return false;
        RECT rc = {0, 0, GetClientSize().cx, GetClientSize().cy};
        d.root->DoPaint(reinterpret_cast<HDC>(wParam), rc);
        return true;
    }
    case WM_SIZE:
        if (d.focus) d.FireEvent(d.focus, UIEVENT_WINDOWSIZE, wParam, lParam, d.lastMouse);
        NeedUpdate();
        return false;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (d.minInfo.cx > 0) info->ptMinTrackSize.x = d.minInfo.cx;
        if (d.minInfo.cy > 0) info->ptMinTrackSize.y = d.minInfo.cy;
        if (d.maxInfo.cx > 0) info->ptMaxTrackSize.x = d.maxInfo.cx;
        if (d.maxInfo.cy > 0) info->ptMaxTrackSize.y = d.maxInfo.cy;
        return false;
    }
    case WM_MOUSEMOVE: {
        if (!d.mouseTracking) {
            TRACKMOUSEEVENT tme = {sizeof(tme), TME_LEAVE, d.hwnd, 0};
            ::TrackMouseEvent(&tme);
            d.mouseTracking = true;
        }
        d.lastMouse = pt;
        CControlUI* under = FindControl(pt);
        if (under && under->GetManager() != this) under = nullptr;
        if (under != d.hover) {
            CControlUI* old = d.hover;
            d.hover = under;
            if (old) d.FireEvent(old, UIEVENT_MOUSELEAVE, wParam, lParam, pt);
            if (d.hover == under && under) d.FireEvent(under, UIEVENT_MOUSEENTER, wParam, lParam, pt);
        }
        CControlUI* target = d.click ? d.click : d.hover;
        if (target) d.FireEvent(target, UIEVENT_MOUSEMOVE, wParam, lParam, pt);
        return false;
    }
    case WM_MOUSELEAVE:
        d.mouseTracking = false;
        if (d.hover && !d.click) {
            CControlUI* old = d.hover;
            d.hover = nullptr;
            d.FireEvent(old, UIEVENT_MOUSELEAVE, wParam, lParam, d.lastMouse);
        }
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        d.lastMouse = pt;
        CControlUI* c = FindControl(pt);
        if (!c || c->GetManager() != this || !c->IsEnabled()) return false;
        if (::GetFocus() != d.hwnd && !c->GetInterface(L"Edit")) ::SetFocus(d.hwnd);
        d.click = c;
        SetCapture();
        d.FireEvent(c, UIEVENT_BUTTONDOWN, wParam, lParam, pt);
        if (uMsg == WM_LBUTTONDBLCLK && d.click == c) d.FireEvent(c, UIEVENT_DBLCLICK, wParam, lParam, pt);
        return true;
    }
    case WM_LBUTTONUP: {
        d.lastMouse = pt;
        CControlUI* c = d.click;
        d.click = nullptr;
        ReleaseCapture();
        if (!c) return false;
        d.FireEvent(c, UIEVENT_BUTTONUP, wParam, lParam, pt);
        return true;
    }
    case WM_RBUTTONDOWN: {
        d.lastMouse = pt;
        CControlUI* c = FindControl(pt);
        if (!c || c->GetManager() != this || !c->IsEnabled()) return false;
        d.rclick = c;
        d.FireEvent(c, UIEVENT_RBUTTONDOWN, wParam, lParam, pt);
        return true;
    }
    case WM_RBUTTONUP: {
        d.lastMouse = pt;
        CControlUI* c = d.rclick ? d.rclick : FindControl(pt);
        d.rclick = nullptr;
        if (!c || c->GetManager() != this) return false;
        d.FireEvent(c, UIEVENT_RBUTTONUP, wParam, lParam, pt);
        return true;
    }
    case WM_MOUSEWHEEL: {
        POINT client = pt;
        ::ScreenToClient(d.hwnd, &client);
        CControlUI* c = FindControl(client);
        if (!c || c->GetManager() != this) return false;
        d.FireEvent(c, UIEVENT_SCROLLWHEEL, wParam, lParam, client);
        return true;
    }
    case WM_SETCURSOR: {
        if (LOWORD(lParam) != HTCLIENT) return false;
        POINT cur;
        ::GetCursorPos(&cur);
        ::ScreenToClient(d.hwnd, &cur);
        CControlUI* c = FindControl(cur);
        if (!c || c->GetManager() != this) return false;
        d.FireEvent(c, UIEVENT_SETCURSOR, wParam, lParam, cur);
        lRes = TRUE;
        return true;
    }
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != d.hwnd) d.captured = false;
        return false;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN: {
        // Tab moves the focus between the window's controls (native edits
        // forward their Tab themselves).
        if (uMsg == WM_KEYDOWN && wParam == VK_TAB && d.root) {
            SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
            return true;
        }
        if (!d.focus) return false;
        int type = uMsg == WM_KEYDOWN ? UIEVENT_KEYDOWN
                   : uMsg == WM_KEYUP ? UIEVENT_KEYUP
                   : uMsg == WM_CHAR  ? UIEVENT_CHAR
                                      : UIEVENT_SYSKEY;
        TEventUI ev;
        ev.Type = type;
        ev.pSender = d.focus;
        ev.chKey = static_cast<TCHAR>(wParam);
        ev.ptMouse = d.lastMouse;
        ev.wParam = wParam;
        ev.lParam = lParam;
        ev.dwTimestamp = ::GetTickCount();
        d.focus->Event(ev);
        return false;
    }
    case WM_COMMAND: {
        HWND child = reinterpret_cast<HWND>(lParam);
        if (!child || ::GetParent(child) != d.hwnd) return false;
        CControlUI* c = reinterpret_cast<CControlUI*>(::GetWindowLongPtrW(child, GWLP_USERDATA));
        if (!c || c->GetManager() != this) return false;
        d.FireEvent(c, UIEVENT_COMMAND, wParam, lParam, d.lastMouse);
        return true;
    }
    case WM_COPYDATA:
        return detail::HandleTestSeam(this, wParam, lParam, lRes);
    case WM_NCDESTROY:
        g_managers.erase(std::remove(g_managers.begin(), g_managers.end(), this), g_managers.end());
        d.hover = d.click = d.rclick = nullptr;
        d.captured = false;
        return false;
    default:
        return false;
    }
}

}  // namespace DuiLib
