// Skin windows under Xvfb: creation order, painting read back from the
// screen, real mouse input, modal loop, deferred deletion, menu, test seam.
#include "SkinTestUtil.h"

#include <Harness.h>
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

using namespace DuiLib;
using skintest::PumpFor;
using skintest::PumpUntil;

namespace {

// Records the event types it gets.
class EventRecorderUI : public CControlUI {
public:
    std::vector<int> events;
    LPCTSTR GetClass() const override { return L"EventRecorderUI"; }
    void DoEvent(TEventUI& e) override {
        events.push_back(e.Type);
        CControlUI::DoEvent(e);
    }
    bool Saw(int type) const { return std::find(events.begin(), events.end(), type) != events.end(); }
};

// A button that notes whether it died while a click handler was running.
class TrackedButtonUI : public CButtonUI {
public:
    static int deaths;
    static bool handlerRunning;
    static bool diedInHandler;
    ~TrackedButtonUI() override {
        ++deaths;
        if (handlerRunning) diedInHandler = true;
    }
};
int TrackedButtonUI::deaths = 0;
bool TrackedButtonUI::handlerRunning = false;
bool TrackedButtonUI::diedInHandler = false;

class TestWnd : public WindowImplBase {
public:
    explicit TestWnd(LPCTSTR skin) : skin_(skin) {}
    std::vector<std::wstring> order;
    std::vector<std::wstring> notes;
    std::function<void(TNotifyUI&)> onClick;
    std::function<LRESULT(UINT, WPARAM, LPARAM, BOOL&)> onCustom;
    bool* finalFlag = nullptr;        // set when OnFinalMessage runs
    bool deleteSelfAtFinal = false;
    HWND paintWindowInCreateControl = nullptr;

    HWND Open(HWND owner = nullptr) {
        return Create(owner, L"skin test", WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 40, 40, 300, 200);
    }
    CPaintManagerUI& Pm() { return m_PaintManager; }
    template <typename T>
    T* Find(LPCTSTR name) {
        return static_cast<T*>(m_PaintManager.FindControl(name));
    }
    bool SawWindowInit() const { return std::find(order.begin(), order.end(), L"windowinit") != order.end(); }
    bool Noted(const std::wstring& what) const { return std::find(notes.begin(), notes.end(), what) != notes.end(); }

    LRESULT OnCreate(UINT m, WPARAM w, LPARAM l, BOOL& h) override {
        order.push_back(L"OnCreate");
        return WindowImplBase::OnCreate(m, w, l, h);
    }
    void InitWindow() override { order.push_back(L"InitWindow"); }
    void Notify(TNotifyUI& msg) override {
        notes.push_back(std::wstring(msg.sType.GetData()) + L":" + (msg.pSender ? msg.pSender->GetName().GetData() : L""));
        if (msg.sType == DUI_MSGTYPE_WINDOWINIT) order.push_back(L"windowinit");
        WindowImplBase::Notify(msg);
    }
    void OnClick(TNotifyUI& msg) override {
        if (onClick) onClick(msg);
    }
    CControlUI* CreateControl(LPCTSTR cls) override {
        order.push_back(std::wstring(L"CreateControl:") + cls);
        paintWindowInCreateControl = m_PaintManager.GetPaintWindow();
        if (wcscmp(cls, L"Recorder") == 0) return new EventRecorderUI;
        if (wcscmp(cls, L"TrackedButton") == 0) return new TrackedButtonUI;
        return nullptr;
    }
    LRESULT HandleCustomMessage(UINT m, WPARAM w, LPARAM l, BOOL& h) override {
        if (onCustom) return onCustom(m, w, l, h);
        h = FALSE;
        return 0;
    }
    void OnFinalMessage(HWND hWnd) override {
        WindowImplBase::OnFinalMessage(hWnd);
        if (finalFlag) *finalFlag = true;
        if (deleteSelfAtFinal) delete this;
    }

protected:
    CDuiString GetSkinFile() override { return skin_; }
    LPCTSTR GetWindowClassName() const override { return L"SkinTestWnd"; }

private:
    CDuiString skin_;
};

HWND g_modalDialog = nullptr;

void CALLBACK DestroyModalDialog(HWND, UINT, UINT_PTR, DWORD) {
    if (::IsWindow(g_modalDialog)) ::DestroyWindow(g_modalDialog);
}

class SkinWindow : public ::testing::Test {
protected:
    void SetUp() override {
        skintest::UseTestSkins();
        skintest::CaptureLog();
        skintest::ClearLog();
    }
    // Opens w and waits for its first paint.
    void OpenAndPaint(TestWnd& w, HWND owner = nullptr) {
        ASSERT_NE(w.Open(owner), nullptr) << skintest::LogText();
        ::SetForegroundWindow(w.GetHWND());
        ASSERT_TRUE(PumpUntil([&] { return w.SawWindowInit(); }, 5000));
        ::UpdateWindow(w.GetHWND());
        PumpFor(100);
    }
    static POINT Centre(TestWnd& w, LPCTSTR name) {
        RECT rc = w.Pm().FindControl(name)->GetPos();
        return skintest::ToScreen(w.GetHWND(), (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    }
};

}  // namespace

TEST_F(SkinWindow, CreationOrderAndPaintedColoursImagesAndHotFrame) {
    TestWnd w(L"paint.xml");
    OpenAndPaint(w);
    ASSERT_GE(w.order.size(), 4u);
    EXPECT_EQ(w.order[0], L"OnCreate");
    EXPECT_EQ(w.order[1], L"CreateControl:Recorder");
    EXPECT_EQ(w.order[2], L"InitWindow");
    EXPECT_EQ(w.order[3], L"windowinit");
    EXPECT_EQ(w.paintWindowInCreateControl, w.GetHWND());
    RECT rc;
    ::GetClientRect(w.GetHWND(), &rc);
    EXPECT_EQ(rc.right, 300);   // the skin's size
    EXPECT_EQ(rc.bottom, 200);

    skintest::MouseMoveTo(skintest::ToScreen(w.GetHWND(), 280, 5));
    PumpFor(150);
    skintest::Screenshot shot;
    ASSERT_TRUE(shot.Take(w.GetHWND()));
    shot.SavePng(L"skin_paint");
    EXPECT_EQ(shot.Pixel(5, 5), 0x204080u);       // background colour
    EXPECT_EQ(shot.Pixel(15, 15), 0xFF0000u);     // image inside dest='10,10,30,30'
    EXPECT_EQ(shot.Pixel(29, 29), 0xFF0000u);
    EXPECT_EQ(shot.Pixel(31, 31), 0x204080u);     // and nothing outside it
    EXPECT_EQ(shot.Pixel(9, 15), 0x204080u);
    EXPECT_EQ(shot.Pixel(111, 11), 0xFFFFFFu);    // button, not hot: no frame
    EXPECT_EQ(shot.Pixel(150, 30), 0xFFFFFFu);

    skintest::MouseMoveTo(Centre(w, L"hotbtn"));
    PumpFor(200);
    ASSERT_TRUE(shot.Take(w.GetHWND()));
    shot.SavePng(L"skin_paint_hot");
    EXPECT_EQ(shot.Pixel(111, 11), 0x0000FFu);    // hot image: nine-grid frame
    EXPECT_EQ(shot.Pixel(188, 48), 0x0000FFu);
    EXPECT_EQ(shot.Pixel(150, 30), 0xFFFFFFu);    // hole='true': centre untouched
    ::DestroyWindow(w.GetHWND());
}

TEST_F(SkinWindow, RealMouseAndKeysReachControlsAsEventsAndNotifications) {
    TestWnd w(L"paint.xml");
    OpenAndPaint(w);
    HWND hwnd = w.GetHWND();

    skintest::MouseClickAt(Centre(w, L"opt_b"));
    ASSERT_TRUE(PumpUntil([&] { return w.Noted(L"selectchanged:opt_b"); }, 3000));
    auto click = std::find(w.notes.begin(), w.notes.end(), L"click:opt_b");
    auto changed = std::find(w.notes.begin(), w.notes.end(), L"selectchanged:opt_b");
    EXPECT_LT(click - w.notes.begin(), changed - w.notes.begin());   // click first
    EXPECT_TRUE(w.Find<COptionUI>(L"opt_b")->IsSelected());
    PumpFor(100);
    skintest::Screenshot shot;
    ASSERT_TRUE(shot.Take(hwnd));
    shot.SavePng(L"skin_option_selected");
    EXPECT_EQ(shot.Pixel(65, 62), 0xFF0000u);     // selected image of opt_b
    EXPECT_NE(shot.Pixel(5, 62), 0xFF0000u);      // opt_a lost it

    EventRecorderUI* rec = w.Find<EventRecorderUI>(L"recorder");
    ASSERT_NE(rec, nullptr);
    skintest::MouseClickAt(Centre(w, L"recorder"), true);
    ASSERT_TRUE(PumpUntil([&] { return rec->Saw(UIEVENT_RBUTTONUP); }, 3000));
    EXPECT_TRUE(rec->Saw(UIEVENT_MOUSEENTER));
    EXPECT_TRUE(rec->Saw(UIEVENT_MOUSEMOVE));
    EXPECT_TRUE(rec->Saw(UIEVENT_RBUTTONDOWN));
    EXPECT_TRUE(rec->Saw(UIEVENT_SETCURSOR));
    skintest::MouseMoveTo(skintest::ToScreen(hwnd, 280, 5));
    EXPECT_TRUE(PumpUntil([&] { return rec->Saw(UIEVENT_MOUSELEAVE); }, 3000));

    CListUI* list = w.Find<CListUI>(L"list");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetScrollRange().cy, 60);
    POINT over = Centre(w, L"list");
    ::PostMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(over.x, over.y));
    EXPECT_TRUE(PumpUntil([&] { return list->GetScrollPos().cy == 10; }, 3000));
    // Pressing the bottom of the thumb strip scrolls to the end.
    RECT lp = list->GetPos();
    ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(lp.right - 2, lp.bottom - 1));
    ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(lp.right - 2, lp.bottom - 1));
    EXPECT_TRUE(PumpUntil([&] { return list->GetScrollPos().cy >= 59; }, 3000));

    CEditUI* edit = w.Find<CEditUI>(L"search_edit");
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(edit->GetNativeWindow(), nullptr);
    edit->SetText(L"needle");
    ::PostMessageW(edit->GetNativeWindow(), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(PumpUntil([&] { return w.Noted(L"return:search_edit"); }, 3000));
    EXPECT_EQ(edit->GetText(), L"needle");
    ::DestroyWindow(hwnd);
}

TEST_F(SkinWindow, WindowDestroyedInsideItsOwnClickIsFinishedAfterTheHandler) {
    TestWnd w(L"paint.xml");
    bool final = false;
    bool finalDuringHandler = true;
    w.finalFlag = &final;
    w.onClick = [&](TNotifyUI& msg) {
        if (msg.pSender->GetName() != L"closebtn") return;
        ::DestroyWindow(w.GetHWND());
        finalDuringHandler = final;
        msg.pSender->GetName();   // the control tree is still there
    };
    OpenAndPaint(w);
    skintest::MouseClickAt(Centre(w, L"closebtn"));
    ASSERT_TRUE(PumpUntil([&] { return final; }, 3000));
    EXPECT_FALSE(finalDuringHandler);
    EXPECT_EQ(w.GetHWND(), nullptr);
}

TEST_F(SkinWindow, TabClosedByItsOwnCloseButtonIsFreedAfterTheClick) {
    TestWnd w(L"tabs.xml");
    TrackedButtonUI::deaths = 0;
    TrackedButtonUI::diedInHandler = false;
    w.onClick = [&](TNotifyUI& msg) {
        if (msg.pSender->GetName().Find(L"close_tab_") != 0) return;
        TrackedButtonUI::handlerRunning = true;
        CContainerUI* bar = w.Find<CContainerUI>(L"main_tabbar");
        bar->Remove(msg.pSender->GetParent());
        TrackedButtonUI::handlerRunning = false;
    };
    OpenAndPaint(w);
    skintest::Screenshot shot;
    ASSERT_TRUE(shot.Take(w.GetHWND()));
    shot.SavePng(L"skin_tabs");
    skintest::MouseClickAt(Centre(w, L"close_tab_1"));
    ASSERT_TRUE(PumpUntil([&] { return TrackedButtonUI::deaths == 1; }, 3000));
    EXPECT_FALSE(TrackedButtonUI::diedInHandler);
    EXPECT_EQ(w.Pm().FindControl(L"tab_1"), nullptr);
    EXPECT_NE(w.Pm().FindControl(L"close_tab_2"), nullptr);
    ::DestroyWindow(w.GetHWND());
}

TEST_F(SkinWindow, ModalLoopKeepsOtherWindowsRunningAndReturnsTheCloseCode) {
    TestWnd owner(L"paint.xml");
    OpenAndPaint(owner);
    TestWnd* dlg = new TestWnd(L"tabs.xml");
    dlg->deleteSelfAtFinal = true;
    ASSERT_NE(dlg->Open(owner.GetHWND()), nullptr);
    int ownerEnabledDuringModal = -1;
    const UINT kPoke = WM_APP + 7;
    owner.onCustom = [&](UINT m, WPARAM, LPARAM, BOOL& handled) -> LRESULT {
        handled = m == kPoke;
        if (handled) {
            ownerEnabledDuringModal = ::IsWindowEnabled(owner.GetHWND()) ? 1 : 0;
            dlg->Close(21);
        }
        return 0;
    };
    ::PostMessageW(owner.GetHWND(), kPoke, 0, 0);
    // Bound: should the close never come, the dialog is destroyed after 5 s.
    g_modalDialog = dlg->GetHWND();
    UINT_PTR guard = ::SetTimer(nullptr, 0, 5000, &DestroyModalDialog);
    UINT result = dlg->ShowModal();          // dlg deletes itself at its final message
    ::KillTimer(nullptr, guard);
    EXPECT_EQ(result, 21u);
    EXPECT_EQ(ownerEnabledDuringModal, 0);
    EXPECT_TRUE(::IsWindowEnabled(owner.GetHWND()));
    ::DestroyWindow(owner.GetHWND());
}

TEST_F(SkinWindow, SkinThatCannotBeBuiltFailsCreate) {
    TestWnd w(L"bad_xml.xml");
    bool final = false;
    w.finalFlag = &final;
    EXPECT_EQ(w.Open(), nullptr);
    EXPECT_EQ(w.GetHWND(), nullptr);
    EXPECT_FALSE(final);
    EXPECT_TRUE(skintest::LogContains(L"skin 'bad_xml.xml' could not be built")) << skintest::LogText();
    EXPECT_TRUE(skintest::LogContains(L"line 4"));
    TestWnd missing(L"missing_skin.xml");
    EXPECT_EQ(missing.Open(), nullptr);
    // Also when a window's own OnCreate ignores what the base answered.
    class Careless : public TestWnd {
    public:
        Careless() : TestWnd(L"bad_xml.xml") {}
        LRESULT OnCreate(UINT m, WPARAM w, LPARAM l, BOOL& h) override {
            TestWnd::OnCreate(m, w, l, h);
            return 0;
        }
    } careless;
    EXPECT_EQ(careless.Open(), nullptr);
    EXPECT_EQ(std::count(careless.order.begin(), careless.order.end(), L"InitWindow"), 0);
}

TEST_F(SkinWindow, MenuPostsItsCommandRecordAndShrinksToItsItems) {
    TestWnd owner(L"paint.xml");
    std::wstring clicked;
    bool freedOnce = false;
    owner.onCustom = [&](UINT m, WPARAM wParam, LPARAM, BOOL& handled) -> LRESULT {
        handled = m == UIMSG_MENUCLICK && CPaintManagerUI::IsLivePtr(reinterpret_cast<void*>(wParam));
        if (handled) {
            clicked = reinterpret_cast<MenuCmd*>(wParam)->szName;
            CPaintManagerUI::DeletePtr(reinterpret_cast<void*>(wParam));
            freedOnce = !CPaintManagerUI::IsLivePtr(reinterpret_cast<void*>(wParam));
        }
        return 0;
    };
    // What another program may post in wParam is no record: it is neither read nor freed.
    MenuCmd notPosted = {};
    EXPECT_FALSE(CPaintManagerUI::IsLivePtr(&notPosted));
    EXPECT_FALSE(CPaintManagerUI::IsLivePtr(reinterpret_cast<void*>(0x1234)));
    EXPECT_FALSE(CPaintManagerUI::IsLivePtr(nullptr));
    CPaintManagerUI::DeletePtr(&notPosted);
    OpenAndPaint(owner);
    CMenuWnd menu;
    POINT at = skintest::ToScreen(owner.GetHWND(), 20, 20);
    ASSERT_TRUE(menu.Init(nullptr, L"menu_test.xml", at, &owner.Pm()));
    CMenuUI* items = menu.GetMenuUI();
    ASSERT_NE(items, nullptr);
    ASSERT_EQ(items->GetCount(), 5);
    EXPECT_STREQ(items->GetMenuItemAt(2)->GetName(), L"auto_update");
    RECT full;
    ::GetWindowRect(menu.GetHWND(), &full);
    EXPECT_EQ(full.left, at.x);
    EXPECT_EQ(full.top, at.y);
    items->GetMenuItemAt(2)->SetIcon(L"img/red.png");
    for (int i : {4, 2, 1, 0}) items->RemoveAt(i);
    menu.ResizeMenu();
    RECT small;
    ::GetWindowRect(menu.GetHWND(), &small);
    EXPECT_EQ(small.bottom - small.top, (full.bottom - full.top) / 5);
    PumpFor(150);
    skintest::Screenshot shot;
    ASSERT_TRUE(shot.Take(menu.GetHWND()));
    shot.SavePng(L"skin_menu");
    skintest::MouseClickAt(skintest::ToScreen(menu.GetHWND(), 40, 10));
    ASSERT_TRUE(PumpUntil([&] { return !clicked.empty(); }, 3000));
    EXPECT_EQ(clicked, L"remove_icon");
    EXPECT_TRUE(freedOnce) << "a freed record is no longer live";
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(menu.GetHWND()); }, 3000));
    ::DestroyWindow(owner.GetHWND());
}

TEST_F(SkinWindow, TestSeamListsTheTreeAndClicksByName) {
    ::SetEnvironmentVariableW(SKIN_SEAM_ENV, L"1");
    TestWnd w(L"paint.xml");
    OpenAndPaint(w);
    HWND hwnd = w.GetHWND();
    std::atomic<bool> done{false};
    std::wstring tree;
    bool clickedOk = false, unknownOk = true;
    std::thread tool([&] {
        SkinSeamQueryTree(hwnd, &tree, 5000);
        clickedOk = SkinSeamClick(hwnd, L"opt_b", 5000);
        unknownOk = SkinSeamClick(hwnd, L"no_such_control", 5000);
        done = true;
    });
    bool finished = PumpUntil([&] { return done.load(); }, 15000);
    tool.join();
    ASSERT_TRUE(finished);
    std::vector<SkinSeamControl> controls;
    ASSERT_TRUE(SkinSeamParseTree(tree, &controls));
    auto byName = [&](const wchar_t* name) -> const SkinSeamControl* {
        for (const SkinSeamControl& c : controls)
            if (c.name == name) return &c;
        return nullptr;
    };
    const SkinSeamControl* a = byName(L"opt_a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->className, L"OptionUI");
    EXPECT_EQ(a->text, L"A");
    EXPECT_TRUE(a->visible);
    EXPECT_TRUE(a->enabled);
    EXPECT_EQ(a->depth, 2);
    EXPECT_EQ(a->pos.top, 60);
    EXPECT_EQ(a->pos.right, 60);
    ASSERT_NE(byName(L"row3"), nullptr);
    EXPECT_EQ(byName(L"row3")->text, L"row 3");
    EXPECT_EQ(controls[0].name, L"root");
    EXPECT_TRUE(clickedOk);
    EXPECT_FALSE(unknownOk);
    EXPECT_TRUE(PumpUntil([&] { return w.Noted(L"selectchanged:opt_b"); }, 3000));
    ::DestroyWindow(hwnd);
}

TEST_F(SkinWindow, TrayIconUsesMessage1025AndCanBeDeletedTwice) {
    TestWnd w(L"paint.xml");
    OpenAndPaint(w);
    {
        CTrayIcon tray;
        bool shown = tray.CreateTrayIcon(w.GetHWND(), 102, L"QuillexTarrow", 0);
        EXPECT_EQ(tray.IsVisible(), shown);
        EXPECT_EQ(tray.GetMessageId(), 1025u);
        EXPECT_EQ(tray.GetHWND(), w.GetHWND());
        tray.DeleteTrayIcon();
        EXPECT_FALSE(tray.IsVisible());
        tray.DeleteTrayIcon();
        EXPECT_TRUE(tray.CreateTrayIcon(w.GetHWND(), 102, L"again", 4000) || !shown);
        EXPECT_EQ(tray.GetMessageId(), 4000u);
    }   // the destructor removes the icon
    ::DestroyWindow(w.GetHWND());
}

TEST_F(SkinWindow, TabMovesFocusAndSpaceClicksTheFocusedButton) {
    TestWnd w(L"paint.xml");
    OpenAndPaint(w);
    HWND hwnd = w.GetHWND();
    ::PostMessageW(hwnd, WM_KEYDOWN, VK_TAB, 0);
    ASSERT_TRUE(PumpUntil([&] { return w.Noted(L"setfocus:hotbtn"); }, 3000));
    EXPECT_TRUE(w.Find<CButtonUI>(L"hotbtn")->IsFocused());
    ::PostMessageW(hwnd, WM_KEYDOWN, VK_TAB, 0);
    ASSERT_TRUE(PumpUntil([&] { return w.Noted(L"setfocus:closebtn"); }, 3000));
    EXPECT_TRUE(w.Noted(L"killfocus:hotbtn"));
    ::PostMessageW(hwnd, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(PumpUntil([&] { return w.Noted(L"click:closebtn"); }, 3000));
    ::DestroyWindow(hwnd);
}

namespace {
// Paints a magenta square over whatever the tree painted there.
class PostPainterUI : public CControlUI {
public:
    void DoPostPaint(HDC hDC, const RECT&) override { CRenderEngine::DrawColor(hDC, RECT{12, 12, 18, 18}, 0xFFFF00FF); }
};
}  // namespace

TEST_F(SkinWindow, PostPaintControlsDrawOverTheTree) {
    TestWnd w(L"paint.xml");
    OpenAndPaint(w);
    PostPainterUI* painter = new PostPainterUI;
    painter->SetFixedHeight(1);
    ASSERT_TRUE(static_cast<CContainerUI*>(w.Pm().GetRoot())->Add(painter));
    ASSERT_TRUE(w.Pm().AddPostPaint(painter));
    RECT square = {12, 12, 18, 18};
    w.Pm().Invalidate(square);
    PumpFor(200);
    skintest::Screenshot shot;
    ASSERT_TRUE(shot.Take(w.GetHWND()));
    EXPECT_EQ(shot.Pixel(14, 14), 0xFF00FFu);   // over the red image of "pic"
    EXPECT_EQ(shot.Pixel(20, 20), 0xFF0000u);
    ASSERT_TRUE(w.Pm().RemovePostPaint(painter));
    w.Pm().Invalidate(square);
    PumpFor(200);
    ASSERT_TRUE(shot.Take(w.GetHWND()));
    EXPECT_EQ(shot.Pixel(14, 14), 0xFF0000u);
    ::DestroyWindow(w.GetHWND());
}

TEST_F(SkinWindow, NotificationRaisedOnAnotherThreadArrivesOnTheWindowThread) {
    TestWnd w(L"paint.xml");
    OpenAndPaint(w);
    COptionUI* b = w.Find<COptionUI>(L"opt_b");
    std::thread other([&] { b->Selected(true); });
    other.join();
    EXPECT_FALSE(w.Noted(L"selectchanged:opt_b"));   // the handlers did not run on the other thread
    EXPECT_TRUE(PumpUntil([&] { return w.Noted(L"selectchanged:opt_b"); }, 3000));   // but here
    EXPECT_TRUE(b->IsSelected());
    ::DestroyWindow(w.GetHWND());
}
