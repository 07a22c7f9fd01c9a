#include "CCefBaseUI.h"

#include <cwchar>

#include "ClientHandlerBase.h"
#include "CefLogSource.h"
#include "include/wrapper/cef_closure_task.h"

#define BASE_LOG(level, ...) CEF_UNIT_LOG(kCefBaseSource, level, __VA_ARGS__)

CCefBaseUI::CCefBaseUI(DuiLib::CPaintManagerUI* manager, CefRefPtr<CefClient> client)
    : m_pPaintManager(manager), m_browser(new CefBrowserSlot()), m_client(client), m_url(L"about:blank"),
      m_hParentWnd(manager ? manager->GetPaintWindow() : nullptr) {
    if (!m_client) {
        m_pHandler = new ClientHandlerBase(this);
        m_client = m_pHandler;
    } else {
        m_pHandler = dynamic_cast<ClientHandlerBase*>(m_client.get());
    }
    BASE_LOG(LOG_LEVEL_INFO, L"CCefBaseUI() this=0x%p, ClientHandler=0x%p hParentWnd=0x%p", static_cast<void*>(this),
             static_cast<void*>(m_client.get()), static_cast<void*>(m_hParentWnd));
    if (m_pPaintManager) m_pPaintManager->AddMessageFilter(this);
}

CCefBaseUI::~CCefBaseUI() { Teardown(); }

void CCefBaseUI::Teardown() {
    if (m_bTornDown) return;
    m_bTornDown = true;
    BASE_LOG(LOG_LEVEL_INFO, L"~CCefBaseUI() this=0x%p", static_cast<void*>(this));
    DetachClient();
    if (m_pPaintManager) m_pPaintManager->RemoveMessageFilter(this);
    m_browser->Close();
    CloseBrowser(true);
    m_client = nullptr;
    m_pHandler = nullptr;
}

LPCTSTR CCefBaseUI::GetClass() const { return L"CCefBaseUI"; }

HWND CCefBaseUI::GetBrowserWindow() const {
    CefRefPtr<CefBrowser> browser = GetBrowser();
    CefRefPtr<CefBrowserHost> host = browser ? browser->GetHost() : nullptr;
    return host ? host->GetWindowHandle() : nullptr;
}

void CCefBaseUI::ShowBrowserWindow(bool show) {
    if (HWND hwnd = GetBrowserWindow()) ::ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE);
}

void CCefBaseUI::SetVisible(bool bVisible) {
    ShowBrowserWindow(bVisible);
    CControlUI::SetVisible(bVisible);
}

void CCefBaseUI::SetInternVisible(bool bVisible) {
    ShowBrowserWindow(bVisible);
    CControlUI::SetInternVisible(bVisible);
}

void CCefBaseUI::DoInit() {
    BASE_LOG(LOG_LEVEL_INFO, L"CCefBaseUI.DoInit() this=0x%p, name=%s", static_cast<void*>(this), m_sName.GetData());
    CreateArgs args;
    args.parent = m_pManager ? m_pManager->GetPaintWindow() : nullptr;
    args.rect = GetPos();
    args.url = m_url;
    CreateBrowser(m_browser, args);
}

void CCefBaseUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    if (pstrName && std::wcscmp(pstrName, L"homepage") == 0) {
        LoadUrl(pstrValue);
        return;
    }
    CControlUI::SetAttribute(pstrName, pstrValue);
}

void CCefBaseUI::LoadUrl(LPCTSTR url) {
    m_url = url ? url : L"";
    // A browser still being made opens this page as soon as it exists.
    CefRefPtr<CefBrowser> browser = m_browser->GetOrKeepUrl(m_url.ToWString());
    CefRefPtr<CefFrame> frame = browser ? browser->GetMainFrame() : nullptr;
    if (frame) frame->LoadURL(m_url);
}

void CCefBaseUI::Reload() {
    if (CefRefPtr<CefBrowser> browser = GetBrowser()) browser->Reload();
}

void CCefBaseUI::DetachClient() {
    if (m_pHandler) m_pHandler->DetachControl();
}

void CCefBaseUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    HWND hwnd = IsVisible() ? GetBrowserWindow() : nullptr;
    if (hwnd) {
        const RECT& rc = GetPos();
        ::MoveWindow(hwnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
        if (!::IsWindowVisible(hwnd)) ::ShowWindow(hwnd, SW_SHOW);
    }
    CControlUI::DoPaint(hDC, rcPaint);
}

void CCefBaseUI::CloseBrowser(bool force) {
    CefRefPtr<CefBrowser> browser = m_browser->Take();
    if (!browser) return;
    BASE_LOG(LOG_LEVEL_INFO, L"CCefBaseUI::CloseBrowser this=0x%p", static_cast<void*>(this));
    browser->StopLoad();
    if (CefRefPtr<CefBrowserHost> host = browser->GetHost()) host->CloseBrowser(force);
}

LRESULT CCefBaseUI::MessageHandler(UINT, WPARAM, LPARAM, bool&) { return 0; }

void CCefBaseUI::CreateBrowser(CefRefPtr<CefBrowserSlot> slot, const CreateArgs& args) {
    if (!slot) return;
    if (!CefCurrentlyOn(TID_UI)) {
        CreateArgs copy = args;
        CefPostTask(TID_UI, CefCreateClosureTask([slot, copy] { CreateBrowser(slot, copy); }));
        return;
    }
    CefWindowInfo info;
    CefBrowserSettings settings;
    info.parent_window = args.parent;
    if (args.windowless) {
        info.windowless_rendering_enabled = 1;
        info.transparent_painting_enabled = args.transparent ? 1 : 0;
    } else {
        info.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP;
        info.x = args.rect.left;
        info.y = args.rect.top;
        info.width = args.rect.right - args.rect.left;
        info.height = args.rect.bottom - args.rect.top;
    }
    CefRefPtr<CefBrowser> browser = CefBrowserHost::CreateBrowserSync(info, args.client, args.url, settings, nullptr);
    std::wstring laterUrl;
    if (browser && !slot->Store(browser, &laterUrl)) {
        // The control went away while the browser was being made.
        browser->GetHost()->CloseBrowser(true);
        return;
    }
    if (browser && !laterUrl.empty() && laterUrl != args.url.ToWString()) browser->GetMainFrame()->LoadURL(laterUrl);
    if (args.parent) ::InvalidateRect(args.parent, nullptr, TRUE);
}
