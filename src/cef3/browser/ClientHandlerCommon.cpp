#include "ClientHandlerCommon.h"

#include "CCefCommonUI.h"
#include "CefLogSource.h"
#include "CefProgramTraits.h"

#define COMMON_LOG(level, ...) CEF_UNIT_LOG(kCefCommonSource, level, __VA_ARGS__)

namespace {

// Labels of the edit commands, set when the menu is for a selection or an editable field.
struct MenuLabel {
    int id;
    const wchar_t* label;
};
constexpr MenuLabel kEditLabels[] = {
    {MENU_ID_UNDO, L"撤销"},   {MENU_ID_CUT, L"剪切"},    {MENU_ID_COPY, L"复制"},
    {MENU_ID_PASTE, L"粘贴"},  {MENU_ID_DELETE, L"删除"}, {MENU_ID_SELECT_ALL, L"全选"},
};
// Commands the pages never offer, removed in this order.
constexpr int kRemovedCommands[] = {MENU_ID_PRINT, MENU_ID_VIEW_SOURCE, MENU_ID_BACK, MENU_ID_FORWARD, MENU_ID_REDO};

}  // namespace

ClientHandlerCommon::ClientHandlerCommon(CCefCommonUI* control) : ClientHandlerRender(control), m_pCefUI(control) {}

ClientHandlerCommon::~ClientHandlerCommon() {
    COMMON_LOG(LOG_LEVEL_DEBUG, L"~ClientHandlerCommon() this=0x%p", static_cast<void*>(this));
}

ICefUIContainer* ClientHandlerCommon::Owner() const { return m_pCefUI ? m_pCefUI->GetOwner() : nullptr; }

bool ClientHandlerCommon::OnProcessMessageReceived(CefRefPtr<CefBrowser>, CefProcessId source_process,
                                                   CefRefPtr<CefProcessMessage> message) {
    if (source_process != PID_RENDERER || !message) return false;
    const CefString name = message->GetName();
    CefRefPtr<CefListValue> arguments = message->GetArgumentList();
    auto lock = LockControl();
    if (!m_pCefUI) {
        COMMON_LOG(LOG_LEVEL_INFO, L"page call %s after its control left: ignored", name.c_str());
        return true;
    }
    if (ICefUIContainer* owner = Owner()) {
        try {
            owner->HandleJSCall(name.c_str(), arguments, m_pCefUI);
        } catch (...) {
            COMMON_LOG(LOG_LEVEL_ERROR, L"HandleJSCall catch exception, cef=0x%p", static_cast<void*>(this));
        }
    }
    return true;
}

bool ClientHandlerCommon::OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>,
                                        const CefString& target_url, const CefString& target_frame_name,
                                        WindowOpenDisposition, bool, const CefPopupFeatures&, CefWindowInfo&,
                                        CefRefPtr<CefClient>&, CefBrowserSettings&, bool*) {
    if (GetCefProgramTraits().popupsOpenGamePages) {
        OpenPopupAsGamePage(browser, target_url, target_frame_name);
        return true;
    }
    COMMON_LOG(LOG_LEVEL_DEBUG, L"QXCefHandler::OnBeforePopup, browser=0x%p, frame=%s, url=%s",
               static_cast<void*>(browser.get()), target_frame_name.c_str(), target_url.c_str());
    auto lock = LockControl();
    if (ICefUIContainer* owner = Owner()) owner->OpenNewPopupWnd(target_url.c_str(), nullptr);
    return true;
}

void ClientHandlerCommon::OpenPopupAsGamePage(CefRefPtr<CefBrowser> browser, const CefString& url,
                                              const CefString& frameName) {
    const int browserId = browser ? browser->GetIdentifier() : 0;
    if (url.empty()) {
        COMMON_LOG(LOG_LEVEL_INFO, L"QXCefHandler::OnBeforePopup, browser=%d, frame=%s, url=null", browserId,
                   frameName.c_str());
        return;
    }
    COMMON_LOG(LOG_LEVEL_DEBUG, L"QXCefHandler::OnBeforePopup, browser=%d, frame=%s, url=%s", browserId,
               frameName.c_str(), url.c_str());
    auto lock = LockControl();
    if (ICefUIContainer* owner = Owner()) owner->OpenPageGameWebWnd(url.c_str(), false);
}

void ClientHandlerCommon::OnBeforeContextMenu(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                              CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model) {
    if (!model) return;
    const int flags = params ? static_cast<int>(params->GetTypeFlags()) : 0;
    if (flags & CM_TYPEFLAG_PAGE) model->SetLabel(MENU_ID_STOPLOAD, L"停止加载");
    if (flags & (CM_TYPEFLAG_SELECTION | CM_TYPEFLAG_EDITABLE)) {
        for (const MenuLabel& item : kEditLabels) model->SetLabel(item.id, item.label);
    }
    for (int id : kRemovedCommands) model->Remove(id);
    if (model->GetCount() > 0 && model->GetTypeAt(0) == MENUITEMTYPE_SEPARATOR) model->RemoveAt(0);
}

void ClientHandlerCommon::OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, int httpStatusCode) {
    const CefString url = frame ? frame->GetURL() : CefString();
    COMMON_LOG(LOG_LEVEL_DEBUG, L"ClientHandlerCommon.OnLoadEnd this=0x%p httpStatusCode=%d URL=%s",
               static_cast<void*>(this), httpStatusCode, url.c_str());
    auto lock = LockControl();
    if (ICefUIContainer* owner = Owner()) owner->OnWebPageLoadEnd(m_pCefUI, url.c_str());
}

void ClientHandlerCommon::OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, ErrorCode errorCode,
                                      const CefString& errorText, const CefString&) {
    COMMON_LOG(LOG_LEVEL_INFO, L"OnLoadError %d: %s", static_cast<int>(errorCode), errorText.c_str());
}

bool ClientHandlerCommon::OnDragEnter(CefRefPtr<CefBrowser>, CefRefPtr<CefDragData>, DragOperationsMask mask) {
    return (mask & DRAG_OPERATION_LINK) != 0;
}

void ClientHandlerCommon::OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) {
    CefRefPtr<CefBrowserHost> host = browser ? browser->GetHost() : nullptr;
    HWND hwnd = host ? host->GetWindowHandle() : nullptr;
    if (!GetCefProgramTraits().titlesReachOwner) {
        if (hwnd) ::SetWindowTextW(hwnd, title.c_str());
        return;
    }
    COMMON_LOG(LOG_LEVEL_INFO, L"QXCefHandler::OnTitleChange, browser=%d, title=%s",
               browser ? browser->GetIdentifier() : 0, title.c_str());
    if (!hwnd || !::IsWindow(hwnd)) return;
    ::SetWindowTextW(hwnd, title.c_str());
    auto lock = LockControl();
    if (ICefUIContainer* owner = Owner()) owner->NotifyCefTitleChanged(m_pCefUI, title.c_str());
}
