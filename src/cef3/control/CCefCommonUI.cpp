#include "CCefCommonUI.h"

#include "CefLogSource.h"
#include "CefProgramTraits.h"
#include "ClientHandlerCommon.h"

#define COMMON_LOG(level, ...) CEF_UNIT_LOG(kCefCommonSource, level, __VA_ARGS__)

namespace {

CefRefPtr<CefClient> CommonClientFor(CCefCommonUI* control, CefRefPtr<CefClient> client) {
    if (client) return client;
    return new ClientHandlerCommon(control);
}

}  // namespace

CCefCommonUI::CCefCommonUI(DuiLib::CPaintManagerUI* manager, ICefUIContainer* owner, CefRefPtr<CefClient> client)
    : CCefOsRender(manager, CommonClientFor(this, client)), m_pOwner(owner) {}

CCefCommonUI::~CCefCommonUI() { Teardown(); }

LRESULT CCefCommonUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    if (GetCefProgramTraits().controlLogsClose && (uMsg == WM_CLOSE || uMsg == WM_DESTROY)) {
        COMMON_LOG(LOG_LEVEL_DEBUG, L"CCefCommonUI %s this=0x%p", uMsg == WM_CLOSE ? L"WM_CLOSE" : L"WM_DESTROY",
                   static_cast<void*>(this));
    }
    if (bHandled) return 0;
    return CCefOsRender::MessageHandler(uMsg, wParam, lParam, bHandled);
}

void CCefCommonUI::Navigate2(LPCTSTR url, bool force) {
    CefRefPtr<CefBrowser> browser = GetBrowser();
    CefRefPtr<CefFrame> frame = browser ? browser->GetMainFrame() : nullptr;
    if (!frame || !url) return;
    const CefString current = frame->GetURL();
    if (!force && !current.empty() && current == CefString(url)) return;
    COMMON_LOG(LOG_LEVEL_DEBUG, L"Cef=0x%p, Navigate:%s", static_cast<void*>(this), url);
    frame->LoadURL(url);
}

void CCefCommonUI::RunJs(LPCTSTR script) {
    COMMON_LOG(LOG_LEVEL_DEBUG, L"cef=0x%p RunJs:%s", static_cast<void*>(this), script ? script : L"");
    CefRefPtr<CefBrowser> browser = GetBrowser();
    CefRefPtr<CefFrame> frame = browser ? browser->GetMainFrame() : nullptr;
    if (!frame || !script) return;
    frame->ExecuteJavaScript(script, frame->GetURL(), 0);
    m_bScriptRun = true;
}
