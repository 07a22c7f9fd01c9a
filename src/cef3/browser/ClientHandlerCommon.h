#pragma once
// The client of a CCefCommonUI: hands page-script calls, load ends and
// popup requests to the control's owner (ICefUIContainer), shapes the
// context menu, refuses link drags and titles the browser window (in the
// player also the owner's tab; popups per the program's traits). Every
// callback runs on the engine's UI thread; the owner's slots are called
// there too, under the control lock, and never once the control is gone.
#include "ClientHandlerRender.h"
#include "include/cef_context_menu_handler.h"
#include "include/cef_display_handler.h"
#include "include/cef_drag_handler.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"

class CCefCommonUI;
class ICefUIContainer;

class ClientHandlerCommon : public ClientHandlerRender,
                            public CefLifeSpanHandler,
                            public CefContextMenuHandler,
                            public CefLoadHandler,
                            public CefDragHandler,
                            public CefDisplayHandler {
public:
    explicit ClientHandlerCommon(CCefCommonUI* control);

    // CefClient methods:
    CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
    CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
    CefRefPtr<CefDragHandler> GetDragHandler() override { return this; }
    CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
    CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
    bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source_process,
                                  CefRefPtr<CefProcessMessage> message) override;

    // CefLifeSpanHandler methods:
    bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& target_url,
                       const CefString& target_frame_name, WindowOpenDisposition target_disposition,
                       bool user_gesture, const CefPopupFeatures& popupFeatures, CefWindowInfo& windowInfo,
                       CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                       bool* no_javascript_access) override;

    // CefContextMenuHandler methods:
    void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                             CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model) override;

    // CefLoadHandler methods:
    void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int httpStatusCode) override;
    void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, ErrorCode errorCode,
                     const CefString& errorText, const CefString& failedUrl) override;

    // CefDragHandler methods:
    bool OnDragEnter(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDragData> dragData,
                     DragOperationsMask mask) override;

    // CefDisplayHandler methods:
    void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) override;

protected:
    ~ClientHandlerCommon() override;
    void OnControlDetached() override { m_pCefUI = nullptr; }
    // The owner of the control, or null (no control, or a control without
    // owner). Under the control lock.
    ICefUIContainer* Owner() const;

    CCefCommonUI* m_pCefUI;  // not owned; null once detached; under controlLock_

private:
    // The player's popups: a non-empty URL goes to the owner's game pages.
    void OpenPopupAsGamePage(CefRefPtr<CefBrowser> browser, const CefString& url, const CefString& frameName);
};
