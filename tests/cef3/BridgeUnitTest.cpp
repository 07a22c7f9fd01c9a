// The browser controls and their client without an engine running: name set,
// text clean-up, context menu, drags, popups, process messages, detaching,
// attributes and the message filter.
#include <gtest/gtest.h>

#include <Harness.h>

#include <stdexcept>

#include "CCefCommonUI.h"
#include "ClientHandlerCommon.h"
#include "FakeMenu.h"
#include "HandlerFixture.h"
#include "JsCallMessage.h"
#include "JsFunctionNameSet.h"
#include "LogWriter.h"
#include "RecordingOwner.h"

namespace {

class BridgeUnit : public HandlerTest {
protected:
    CefRefPtr<CefProcessMessage> JsCall(const wchar_t* name, int arg) {
        CefRefPtr<CefProcessMessage> m = CefProcessMessage::Create(name);
        m->GetArgumentList()->SetSize(1);
        m->GetArgumentList()->SetInt(0, arg);
        return m;
    }
};

TEST(JsFunctionNames, TheLaunchersTwentyOneInOrder) {
    const std::vector<std::wstring> expected = {
        L"closeLogin",     L"userLogin",         L"userLoginByFree",       L"showLogin",
        L"addMyGame",      L"openUrl",           L"startGame",             L"loadGameDetail",
        L"loadGameLaunch", L"onUserLogout",      L"switchWebWindow",       L"isGameIntalled",
        L"switchMyGameToGameLib", L"getServerPingValue", L"querySystemInfo", L"downloadGame",
        L"updateGame",     L"closeModal",        L"NavigateGameLobby",     L"loginByICafe",
        L"smallAccountstartGame"};
    std::vector<std::wstring> names;
    for (const wchar_t* n : JsFunctionNameSet::Names()) names.push_back(n);
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(JsFunctionNameSet::Contains(L"isGameIntalled"));
    EXPECT_FALSE(JsFunctionNameSet::Contains(L"isGameInstalled"));
    EXPECT_FALSE(JsFunctionNameSet::Contains(L"navigateGameLobby"));
    EXPECT_FALSE(JsFunctionNameSet::Contains(L"loginSmallAccount"));
    EXPECT_FALSE(JsFunctionNameSet::Contains(nullptr));
}

TEST(JsCallText, UnpairedSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(WellFormedUtf16(std::wstring(L"a\xD800" L"b")), std::wstring(L"a\xFFFD" L"b"));
    EXPECT_EQ(WellFormedUtf16(std::wstring(L"\xDC00")), std::wstring(L"\xFFFD"));
    EXPECT_EQ(WellFormedUtf16(std::wstring(L"x\xD83D")), std::wstring(L"x\xFFFD"));
    const std::wstring pair = L"\xD83D\xDE00游戏";
    EXPECT_EQ(WellFormedUtf16(pair), pair);
}

TEST_F(BridgeUnit, PageMenuLosesNavigationPrintAndSourceButKeepsTheRest) {
    CefRefPtr<FakeMenuModel> model = new FakeMenuModel();
    model->AddItem(MENU_ID_BACK, L"Back");
    model->AddItem(MENU_ID_FORWARD, L"Forward");
    model->AddSeparator();
    model->AddItem(MENU_ID_RELOAD, L"Reload");
    model->AddItem(MENU_ID_STOPLOAD, L"Stop");
    model->AddItem(MENU_ID_PRINT, L"Print...");
    model->AddItem(MENU_ID_VIEW_SOURCE, L"View source");
    handler_->OnBeforeContextMenu(nullptr, nullptr, new FakeMenuParams(CM_TYPEFLAG_PAGE), model.get());
    ASSERT_EQ(model->GetCount(), 2);
    EXPECT_EQ(model->items[0].id, MENU_ID_RELOAD);
    EXPECT_EQ(model->items[0].label, L"Reload");
    EXPECT_EQ(model->items[1].id, MENU_ID_STOPLOAD);
    EXPECT_EQ(model->items[1].label, L"停止加载");
}

TEST_F(BridgeUnit, EditMenuGetsChineseLabelsAndNoRedo) {
    CefRefPtr<FakeMenuModel> model = new FakeMenuModel();
    for (int id : {MENU_ID_UNDO, MENU_ID_REDO, MENU_ID_CUT, MENU_ID_COPY, MENU_ID_PASTE, MENU_ID_DELETE,
                   MENU_ID_SELECT_ALL})
        model->AddItem(id, L"x");
    handler_->OnBeforeContextMenu(nullptr, nullptr, new FakeMenuParams(CM_TYPEFLAG_EDITABLE), model.get());
    EXPECT_EQ(model->GetIndexOf(MENU_ID_REDO), -1);
    EXPECT_EQ(model->GetLabel(MENU_ID_UNDO).ToWString(), L"撤销");
    EXPECT_EQ(model->GetLabel(MENU_ID_CUT).ToWString(), L"剪切");
    EXPECT_EQ(model->GetLabel(MENU_ID_COPY).ToWString(), L"复制");
    EXPECT_EQ(model->GetLabel(MENU_ID_PASTE).ToWString(), L"粘贴");
    EXPECT_EQ(model->GetLabel(MENU_ID_DELETE).ToWString(), L"删除");
    EXPECT_EQ(model->GetLabel(MENU_ID_SELECT_ALL).ToWString(), L"全选");
    EXPECT_EQ(model->GetCount(), 6);

    CefRefPtr<FakeMenuModel> selection = new FakeMenuModel();
    selection->AddItem(MENU_ID_COPY, L"Copy");
    selection->AddItem(MENU_ID_STOPLOAD, L"Stop");
    handler_->OnBeforeContextMenu(nullptr, nullptr, new FakeMenuParams(CM_TYPEFLAG_SELECTION), selection.get());
    EXPECT_EQ(selection->GetLabel(MENU_ID_COPY).ToWString(), L"复制");
    EXPECT_EQ(selection->GetLabel(MENU_ID_STOPLOAD).ToWString(), L"Stop");  // not a page menu
}

TEST_F(BridgeUnit, OneItemMenuKeepsItsItem) {
    CefRefPtr<FakeMenuModel> model = new FakeMenuModel();
    model->AddSeparator();
    model->AddItem(MENU_ID_RELOAD, L"Reload");
    handler_->OnBeforeContextMenu(nullptr, nullptr, new FakeMenuParams(CM_TYPEFLAG_PAGE), model.get());
    ASSERT_EQ(model->GetCount(), 1);
    EXPECT_EQ(model->items[0].id, MENU_ID_RELOAD);
}

TEST_F(BridgeUnit, LinkDragsAreRefused) {
    EXPECT_TRUE(handler_->OnDragEnter(nullptr, nullptr, DRAG_OPERATION_LINK));
    EXPECT_TRUE(handler_->OnDragEnter(nullptr, nullptr,
                                      static_cast<cef_drag_operations_mask_t>(DRAG_OPERATION_COPY | DRAG_OPERATION_LINK)));
    EXPECT_FALSE(handler_->OnDragEnter(nullptr, nullptr, DRAG_OPERATION_COPY));
    EXPECT_FALSE(handler_->OnDragEnter(nullptr, nullptr, DRAG_OPERATION_MOVE));
}

TEST_F(BridgeUnit, PopupIsCancelledAndHandedToTheOwner) {
    CefWindowInfo info;
    CefRefPtr<CefClient> client;
    CefBrowserSettings settings;
    bool noScript = false;
    EXPECT_TRUE(handler_->OnBeforePopup(nullptr, nullptr, L"http://127.0.0.1/p.html", L"win", WOD_NEW_POPUP, true,
                                        CefPopupFeatures(), info, client, settings, &noScript));
    auto calls = owner_.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].slot, L"OpenNewPopupWnd");
    EXPECT_EQ(calls[0].text, L"http://127.0.0.1/p.html");
    EXPECT_TRUE(calls[0].paramsNull);
}

TEST_F(BridgeUnit, RendererMessagesGoToHandleJSCallOthersAreNotHandled) {
    EXPECT_FALSE(handler_->OnProcessMessageReceived(nullptr, PID_BROWSER, JsCall(L"startGame", 1)));
    EXPECT_EQ(owner_.Count(), 0u);
    EXPECT_TRUE(handler_->OnProcessMessageReceived(nullptr, PID_RENDERER, JsCall(L"startGame", 12)));
    auto calls = owner_.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].text, L"startGame");
    EXPECT_EQ(calls[0].control, control_);
    ASSERT_TRUE(calls[0].arguments);
    EXPECT_EQ(calls[0].arguments->GetInt(0), 12);
}

TEST_F(BridgeUnit, ExceptionFromTheOwnerIsCaughtAndLogged) {
    LogWriter* logger = LogWriter::GetInstance();
    logger->levelMask = 0x7F;
    const int flags = logger->prefixFlags;
    logger->prefixFlags = flags | 4 | 8;  // source unit and function
    owner_.onJsCall = [](const std::wstring&, CCefCommonUI*) { throw std::runtime_error("owner failed"); };
    EXPECT_TRUE(handler_->OnProcessMessageReceived(nullptr, PID_RENDERER, JsCall(L"openUrl", 1)));
    logger->prefixFlags = flags;
    EXPECT_EQ(owner_.Count(), 0u);
    const std::string log = harness::LogText(logger->LogFolder(), L"cef3_bridge_unit_tests");
    const size_t line = log.rfind("HandleJSCall catch exception, cef=0x");  // this run's line
    ASSERT_NE(line, std::string::npos) << log;
    const std::string head = log.substr(log.rfind('\n', line) + 1, line - log.rfind('\n', line));
    EXPECT_NE(head.find("Src\\Cef3\\control\\cef_common:"), std::string::npos) << head;
    EXPECT_NE(head.find("ClientHandlerCommon::OnProcessMessageReceived"), std::string::npos) << head;
}

TEST_F(BridgeUnit, ControlWithoutOwnerStillTakesRendererMessages) {
    CCefCommonUI* orphan = new CCefCommonUI(nullptr, nullptr);
    CefRefPtr<CefClient> client = orphan->GetClient();
    EXPECT_TRUE(client->OnProcessMessageReceived(nullptr, PID_RENDERER, JsCall(L"openUrl", 1)));
    delete orphan;
    EXPECT_EQ(owner_.Count(), 0u);
}

TEST_F(BridgeUnit, CallbacksAfterTheControlIsGoneReachNobody) {
    CefRefPtr<CefClient> keep = client_;
    delete control_;
    control_ = nullptr;
    EXPECT_TRUE(handler_->OnProcessMessageReceived(nullptr, PID_RENDERER, JsCall(L"openUrl", 1)));
    handler_->OnLoadEnd(nullptr, nullptr, 200);
    CefWindowInfo info;
    CefRefPtr<CefClient> client;
    CefBrowserSettings settings;
    EXPECT_TRUE(handler_->OnBeforePopup(nullptr, nullptr, L"http://x/", L"", WOD_NEW_POPUP, true,
                                        CefPopupFeatures(), info, client, settings, nullptr));
    EXPECT_FALSE(handler_->GetRenderHandler());
    CefRect rect;
    EXPECT_FALSE(handler_->GetViewRect(nullptr, rect));
    EXPECT_EQ(owner_.Count(), 0u);
}

TEST_F(BridgeUnit, LoadEndWithoutFrameGivesAnEmptyUrl) {
    handler_->OnLoadEnd(nullptr, nullptr, 200);
    auto calls = owner_.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].slot, L"OnWebPageLoadEnd");
    EXPECT_EQ(calls[0].text, L"");
    EXPECT_EQ(calls[0].control, control_);
}

TEST_F(BridgeUnit, OffscreenAndTransparentAttributesAreCaseSensitive) {
    EXPECT_STREQ(control_->GetClass(), L"CefOsRenderUI");
    control_->SetAttribute(L"offscreen", L"true");
    EXPECT_TRUE(control_->IsTransparent());
    control_->SetAttribute(L"offscreen", L"TRUE");
    EXPECT_FALSE(control_->IsTransparent());
    control_->SetAttribute(L"transparent", L"true");
    EXPECT_TRUE(control_->IsTransparent());
    EXPECT_FALSE(control_->IsWindowless());
    EXPECT_FALSE(handler_->GetRenderHandler());
    control_->SetAttribute(L"name", L"cef_1");
    EXPECT_EQ(std::wstring(control_->GetName().GetData()), L"cef_1");
}

TEST_F(BridgeUnit, WithoutBrowserNothingIsLoadedRunOrTaken) {
    control_->Navigate2(L"http://127.0.0.1/", true);
    control_->RunJs(L"window.external.openUrl('x')");
    EXPECT_FALSE(control_->GetScriptRunFlag());
    EXPECT_FALSE(control_->GetBrowser());
    bool handled = false;
    control_->MessageHandler(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(5, 5), handled);
    EXPECT_FALSE(handled);
    handled = false;
    control_->MessageHandler(WM_CEF_OSR_INVALIDATE, 0, 0, handled);
    EXPECT_FALSE(handled);
    handled = false;
    control_->MessageHandler(WM_KEYDOWN, VK_SPACE, 0, handled);
    EXPECT_FALSE(handled);
    handled = true;  // an earlier filter took it
    EXPECT_EQ(control_->MessageHandler(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0, handled), 0);
    EXPECT_TRUE(handled);
}

}  // namespace
