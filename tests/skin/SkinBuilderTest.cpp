// Skin library without windows: strings, parsers, the XML builder, layout,
// notifications and deferred deletion.
#include "SkinTestUtil.h"

#include <Harness.h>
#include <gtest/gtest.h>

using namespace DuiLib;
using skintest::LogContains;

namespace {

// Records every notification as "type:sender".
class Recorder : public INotifyUI {
public:
    std::vector<std::wstring> seen;
    std::function<void(TNotifyUI&)> onNotify;
    void Notify(TNotifyUI& msg) override {
        seen.push_back(std::wstring(msg.sType.GetData()) + L":" +
                       (msg.pSender ? msg.pSender->GetName().GetData() : L"-"));
        if (onNotify) onNotify(msg);
    }
};

// A control class the library does not know; counts inits and deaths.
class CustomUI : public CControlUI {
public:
    static int inits;
    static int deaths;
    std::wstring flavour;
    ~CustomUI() override { ++deaths; }
    LPCTSTR GetClass() const override { return L"CustomUI"; }
    void DoInit() override { ++inits; }
    void SetAttribute(LPCTSTR name, LPCTSTR value) override {
        if (wcscmp(name, L"flavour") == 0) flavour = value;
        else CControlUI::SetAttribute(name, value);
    }
};
int CustomUI::inits = 0;
int CustomUI::deaths = 0;

class Callback : public IDialogBuilderCallback {
public:
    std::vector<std::wstring> asked;
    CControlUI* CreateControl(LPCTSTR cls) override {
        asked.push_back(cls);
        return _wcsicmp(cls, L"Custom") == 0 ? new CustomUI : nullptr;
    }
};

class SkinBuilder : public ::testing::Test {
protected:
    void SetUp() override {
        skintest::UseTestSkins();
        skintest::CaptureLog();
        skintest::ClearLog();
        CustomUI::inits = CustomUI::deaths = 0;
    }
    template <typename T>
    T* Find(LPCTSTR name) {
        return static_cast<T*>(pm.FindControl(name));
    }
    CControlUI* BuildTree() {
        CDialogBuilder builder;
        CControlUI* root = builder.Create(L"builder_tree.xml", nullptr, &callback, &pm);
        if (root) pm.AttachDialog(root);
        return root;
    }
    CPaintManagerUI pm;
    Callback callback;
};

}  // namespace

TEST(SkinString, FindsComparesAndFormats) {
    CDuiString s(L"channel_btn_12");
    EXPECT_EQ(s.Find(L"channel_btn_"), 0);
    EXPECT_EQ(CDuiString(L"xx_channel_btn_3").Find(L"channel_btn_"), 3);
    EXPECT_EQ(s.Find(L"nope"), -1);
    EXPECT_EQ(s.Find(L'c', 100), -1);
    EXPECT_EQ(s.Left(4), L"chan");
    EXPECT_EQ(s.Mid(12), L"12");
    EXPECT_EQ(s.Mid(50), L"");
    EXPECT_EQ(s.Right(99), s);
    EXPECT_EQ(CDuiString(L"Close_Tab").CompareNoCase(L"close_tab"), 0);
    CDuiString lower(L"User_Logout");
    lower.MakeLower();
    EXPECT_EQ(lower, L"user_logout");
    CDuiString r(L"a-b-c");
    EXPECT_EQ(r.Replace(L"-", L"--"), 2);
    EXPECT_EQ(r, L"a--b--c");
    CDuiString f;
    std::wstring big(3000, L'x');
    f.Format(L"%s/%d", big.c_str(), 7);
    EXPECT_EQ(f.GetLength(), 3002);
    EXPECT_EQ(f.Right(2), L"/7");
    EXPECT_TRUE(CDuiString(static_cast<LPCTSTR>(nullptr)).IsEmpty());
    EXPECT_EQ(L"pre" + CDuiString(L"fix"), L"prefix");
}

TEST(SkinParse, ColoursAndNumberLists) {
    EXPECT_EQ(ParseColor(L"#FF112233"), 0xFF112233u);
    EXPECT_EQ(ParseColor(L"0xFFEA4647"), 0xFFEA4647u);
    EXPECT_EQ(ParseColor(L"#112233"), 0xFF112233u);
    EXPECT_EQ(ParseColor(L"#00000000"), 0u);
    EXPECT_EQ(ParseColor(L"zz"), 0u);
    LONG v[4] = {9, 9, 9, 9};
    EXPECT_EQ(ParseIntList(L"20,0", v, 4), 2);
    EXPECT_EQ(v[0], 20);
    EXPECT_EQ(v[1], 0);
    EXPECT_EQ(ParseIntList(L"0, 4, 0, 0", v, 4), 4);
    EXPECT_EQ(v[1], 4);
    EXPECT_EQ(ParseIntList(L"12,37,42", v, 4), 3);
    EXPECT_EQ(v[2], 42);
    EXPECT_EQ(ParseIntList(L"5, 20", v, 4), 2);
    EXPECT_EQ(v[1], 20);
    EXPECT_EQ(ParseIntList(L"1,2,3,4,5,6", v, 4), 4);   // never past the array
}

TEST_F(SkinBuilder, BuildsTreeWithFontsDefaultsStylesAndCallback) {
    CControlUI* root = BuildTree();
    ASSERT_NE(root, nullptr) << skintest::LogText();
    EXPECT_STREQ(root->GetClass(), L"VerticalLayoutUI");
    EXPECT_EQ(root->GetName(), L"root");
    EXPECT_EQ(root->GetBkColor(), 0xFF203040u);
    EXPECT_EQ(static_cast<CContainerUI*>(root)->GetInset().left, 10);

    CButtonUI* close = Find<CButtonUI>(L"closebtn");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->GetText(), L"关闭");
    EXPECT_EQ(close->GetTextColor(), 0xFF112233u);   // from <Default name="Button">
    EXPECT_EQ(close->GetFixedHeight(), 24);
    EXPECT_EQ(close->GetFixedWidth(), 40);

    CButtonUI* styled = Find<CButtonUI>(L"styled");
    ASSERT_NE(styled, nullptr);
    EXPECT_STREQ(styled->GetNormalImage(), L"file='a.png' dest='1,2,3,4'");
    EXPECT_STREQ(styled->GetHotImage(), L"b.png");
    EXPECT_EQ(styled->GetFixedWidth(), 114);

    CLabelUI* title = Find<CLabelUI>(L"title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->GetFont(), 1);
    EXPECT_EQ(title->GetTextColor(), 0xFF00FF00u);
    EXPECT_EQ(title->GetTextPadding().right, 32);
    EXPECT_TRUE(title->GetTextStyle() & DT_CENTER);
    EXPECT_TRUE(title->GetTextStyle() & DT_BOTTOM);
    EXPECT_TRUE(title->GetTextStyle() & DT_END_ELLIPSIS);

    COptionUI* a = Find<COptionUI>(L"opt_a");
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->IsSelected());
    EXPECT_STREQ(a->GetGroup(), L"main_tabbar");
    EXPECT_EQ(a->GetBindTabLayoutIndex(), 1);
    CProgressUI* progress = Find<CProgressUI>(L"progress");
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->GetValue(), 30);
    EXPECT_EQ(progress->GetMaxValue(), 60);
    EXPECT_EQ(progress->GetPadding().top, 4);
    EXPECT_EQ(progress->GetForeColor(), 0xFF00AA00u);

    CustomUI* custom = Find<CustomUI>(L"custom1");
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->flavour, L"x");
    EXPECT_EQ(CustomUI::inits, 1);   // DoInit when the tree was attached
    ASSERT_EQ(callback.asked.size(), 1u);   // only for the class the library lacks
    EXPECT_EQ(callback.asked[0], L"Custom");

    EXPECT_EQ(pm.GetFontCount(), 2);
    EXPECT_EQ(pm.GetFontInfo(1)->iSize, 16);
    EXPECT_TRUE(pm.GetFontInfo(1)->bBold);
    EXPECT_EQ(pm.GetMinInfo().cx, 200);
    EXPECT_EQ(pm.GetCaptionRect().bottom, 30);
    EXPECT_STREQ(pm.GetStyle(L"game_btn_style") ? L"ok" : L"missing", L"ok");
    EXPECT_TRUE(skintest::LogLines().empty()) << skintest::LogText();
}

TEST_F(SkinBuilder, MalformedOrMissingSkinGivesNoTreeAndNamesFileAndLine) {
    CDialogBuilder builder;
    EXPECT_EQ(builder.Create(L"bad_xml.xml", nullptr, &callback, &pm), nullptr);
    EXPECT_TRUE(LogContains(L"skin file 'bad_xml.xml' line 4: malformed XML")) << skintest::LogText();
    EXPECT_NE(std::wstring(builder.GetLastErrorMessage()).find(L"line 4"), std::wstring::npos);

    skintest::ClearLog();
    EXPECT_EQ(builder.Create(L"no_such_skin.xml", nullptr, &callback, &pm), nullptr);
    EXPECT_TRUE(LogContains(L"skin file 'no_such_skin.xml'")) << skintest::LogText();
    EXPECT_TRUE(LogContains(L"cannot be read"));

    skintest::ClearLog();
    EXPECT_EQ(builder.Create(L"<Window><Font id=\"0\"/></Window>", nullptr, nullptr, &pm), nullptr);
    EXPECT_TRUE(LogContains(L"no control could be built")) << skintest::LogText();
}

TEST_F(SkinBuilder, UnknownAttributesClassesAndImagesAreLoggedWithTheirLine) {
    CDialogBuilder builder;
    CControlUI* root = builder.Create(L"unknown_bits.xml", nullptr, nullptr, &pm);
    ASSERT_NE(root, nullptr);
    pm.AttachDialog(root);
    EXPECT_NE(pm.FindControl(L"ok"), nullptr);
    EXPECT_EQ(pm.FindControl(L"gizmo"), nullptr);
    EXPECT_TRUE(LogContains(L"unknown attribute colour=\"#FF000000\" on ButtonUI 'ok' (file 'unknown_bits.xml' line 4)"))
        << skintest::LogText();
    EXPECT_TRUE(LogContains(L"skin file 'unknown_bits.xml' line 5: unknown control class 'Gizmo'")) << skintest::LogText();

    // A missing image is reported once, however often it is drawn; a
    // truncated file fails to load without harm.
    skintest::ClearLog();
    EXPECT_EQ(pm.GetImageEx(L"no_such.png"), nullptr);
    EXPECT_EQ(pm.GetImageEx(L"no_such.png"), nullptr);
    EXPECT_EQ(skintest::LogLines().size(), 1u) << skintest::LogText();
    EXPECT_TRUE(LogContains(L"image 'no_such.png' cannot be loaded"));
    EXPECT_TRUE(LogContains(L"unknown_bits.xml"));
    EXPECT_EQ(pm.GetImageEx(L"img/truncated.png"), nullptr);
    const TImageInfo* red = pm.GetImageEx(L"img\\red.png");
    ASSERT_NE(red, nullptr);
    EXPECT_EQ(red->nX, 20);
    EXPECT_EQ(pm.GetImageEx(L"IMG/Red.png"), red);   // one cache entry per file
}

TEST_F(SkinBuilder, ImagesWrittenOrReplacedWhileRunningAreReloaded) {
    std::wstring path = skintest::SkinDir() + L"img\\late.png";
    ::DeleteFileW(path.c_str());
    EXPECT_EQ(pm.GetImageEx(L"img/late.png"), nullptr);
    ASSERT_TRUE(skintest::WriteSolidPng(path, 8, 8, 0xFF00FF00));
    EXPECT_EQ(pm.GetImageEx(L"img/late.png"), nullptr);   // not looked at again at once
    ::Sleep(1100);
    const TImageInfo* first = pm.GetImageEx(L"img/late.png");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->nX, 8);
    ASSERT_TRUE(skintest::WriteSolidPng(path, 16, 12, 0xFF00FF00));
    ::Sleep(1100);
    const TImageInfo* second = pm.GetImageEx(L"img/late.png");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->nX, 16);
    EXPECT_EQ(second->nY, 12);
}

TEST_F(SkinBuilder, ImageStringsDrawAtTheirDestWithBlanksAroundEquals) {
    BITMAPINFO bmi = {};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 40, -40, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP bmp = ::CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(dc, bmp);
    auto pixel = [&](int x, int y) { return static_cast<DWORD*>(bits)[y * 40 + x] & 0xFFFFFF; };
    RECT item = {10, 10, 40, 40};
    EXPECT_TRUE(CRenderEngine::DrawImageString(dc, &pm, item, item, L"file = 'img/red.png' dest = '5,5,10,10'"));
    ::GdiFlush();
    EXPECT_EQ(pixel(16, 16), 0xFF0000u);
    EXPECT_EQ(pixel(14, 14), 0u);
    EXPECT_EQ(pixel(20, 20), 0u);   // right and bottom are exclusive
    EXPECT_TRUE(CRenderEngine::DrawImageString(dc, &pm, item, item, L"res='img/red.png' dest='0,20,30,25'"));
    ::GdiFlush();
    EXPECT_EQ(pixel(35, 32), 0xFF0000u);
    EXPECT_FALSE(CRenderEngine::DrawImageString(dc, &pm, item, item, L"file='img/none.png'"));
    ::SelectObject(dc, old);
    ::DeleteObject(bmp);
    ::DeleteDC(dc);
}

TEST_F(SkinBuilder, AttributeListsQuoteAndApplyStylesAtRunTime) {
    ASSERT_NE(BuildTree(), nullptr);
    COptionUI* opt = new COptionUI;
    static_cast<CContainerUI*>(pm.GetRoot())->Add(opt);
    opt->ApplyAttributeList(L"name=\"channel_btn_3\" text=\"say \\\"hi\\\"\" width=\"90\" cursor=\"hand\" "
                            L"textpadding=\"38,10,0,0\" normalimage=\"file = 'mainwnd/icon_3.png' dest = '55,0,81,25'\"");
    EXPECT_EQ(opt->GetName(), L"channel_btn_3");
    EXPECT_EQ(opt->GetText(), L"say \"hi\"");
    EXPECT_EQ(opt->GetFixedWidth(), 90);
    EXPECT_EQ(opt->GetCursor(), 32649);
    EXPECT_EQ(opt->GetTextPadding().left, 38);
    EXPECT_STREQ(opt->GetNormalImage(), L"file = 'mainwnd/icon_3.png' dest = '55,0,81,25'");
    opt->SetAttribute(L"style", L"game_btn_style");
    EXPECT_EQ(opt->GetFixedWidth(), 114);
    EXPECT_STREQ(opt->GetHotImage(), L"b.png");
    skintest::ClearLog();
    opt->SetAttribute(L"style", L"no_style");
    EXPECT_TRUE(LogContains(L"unknown style 'no_style'"));
}

TEST_F(SkinBuilder, LayoutHonoursFixedSizesPaddingAndFloat) {
    CHorizontalLayoutUI* row = new CHorizontalLayoutUI;
    row->SetChildPadding(4);
    CControlUI* fixed = new CControlUI;
    fixed->SetFixedWidth(50);
    CControlUI* a = new CControlUI;
    CControlUI* b = new CControlUI;
    b->SetPadding(RECT{2, 3, 2, 3});
    CControlUI* floating = new CControlUI;
    floating->SetFloat(true);
    floating->ApplyAttributeList(L"pos=\"10, 20, 30, 25\"");
    row->Add(fixed);
    row->Add(a);
    row->Add(b);
    row->Add(floating);
    pm.AttachDialog(row);
    EXPECT_TRUE(a->IsUpdateNeeded());
    row->SetPos(RECT{0, 0, 158, 40});
    EXPECT_FALSE(a->IsUpdateNeeded());
    EXPECT_EQ(fixed->GetPos().right, 50);
    EXPECT_EQ(a->GetPos().left, 54);
    EXPECT_EQ(a->GetWidth(), 50);
    EXPECT_EQ(b->GetPos().left, 108 + 2);
    EXPECT_EQ(b->GetPos().top, 3);
    EXPECT_EQ(b->GetPos().bottom, 37);
    EXPECT_EQ(floating->GetPos().left, 10);
    EXPECT_EQ(floating->GetPos().top, 20);
    EXPECT_EQ(floating->GetWidth(), 20);
    EXPECT_EQ(floating->GetHeight(), 5);
}

TEST_F(SkinBuilder, OptionClickSendsClickThenSelectChangedAndClearsTheGroupQuietly) {
    ASSERT_NE(BuildTree(), nullptr);
    Recorder rec;
    pm.AddNotifier(&rec);
    pm.GetRoot()->SetPos(RECT{0, 0, 400, 300});
    COptionUI* a = Find<COptionUI>(L"opt_a");
    COptionUI* b = Find<COptionUI>(L"opt_b");
    CTabLayoutUI* tab = Find<CTabLayoutUI>(L"BodyLayout");
    ASSERT_TRUE(a && b && tab);
    b->BindTabIndex(0);
    TEventUI ev;
    ev.ptMouse = POINT{(b->GetPos().left + b->GetPos().right) / 2, (b->GetPos().top + b->GetPos().bottom) / 2};
    ev.Type = UIEVENT_BUTTONDOWN;
    b->Event(ev);
    ev.Type = UIEVENT_BUTTONUP;
    b->Event(ev);
    EXPECT_TRUE(b->IsSelected());
    EXPECT_FALSE(a->IsSelected());
    ASSERT_EQ(rec.seen.size(), 2u);
    EXPECT_EQ(rec.seen[0], L"click:opt_b");
    EXPECT_EQ(rec.seen[1], L"selectchanged:opt_b");

    // Selecting from code notifies too (once); the bound page is selected.
    rec.seen.clear();
    TNotifyUI lastTab;
    rec.onNotify = [&](TNotifyUI& m) {
        if (m.sType == DUI_MSGTYPE_TABSELECT) lastTab = m;
    };
    a->Selected(true);
    a->Selected(true);
    EXPECT_EQ(tab->GetCurSel(), 1);
    ASSERT_EQ(rec.seen.size(), 2u);
    EXPECT_EQ(rec.seen[0], L"selectchanged:opt_a");
    EXPECT_EQ(rec.seen[1], L"tabselect:BodyLayout");
    EXPECT_EQ(lastTab.wParam, 1u);
    EXPECT_EQ(lastTab.lParam, 0);
    EXPECT_FALSE(b->IsSelected());

    // A release outside the button is no click.
    rec.seen.clear();
    CButtonUI* close = Find<CButtonUI>(L"closebtn");
    ev.ptMouse = POINT{close->GetPos().left + 1, close->GetPos().top + 1};
    ev.Type = UIEVENT_BUTTONDOWN;
    close->Event(ev);
    ev.ptMouse = POINT{close->GetPos().right + 50, close->GetPos().top + 1};
    ev.Type = UIEVENT_BUTTONUP;
    close->Event(ev);
    EXPECT_TRUE(rec.seen.empty());
}

TEST_F(SkinBuilder, RunTimeControlsAreInitialisedAndRemoveDeletesThem) {
    ASSERT_NE(BuildTree(), nullptr);
    CContainerUI* root = static_cast<CContainerUI*>(pm.GetRoot());
    int before = CustomUI::inits;
    CustomUI* c1 = new CustomUI;
    CustomUI* c2 = new CustomUI;
    c2->SetName(L"second");
    EXPECT_TRUE(root->Add(c1));
    EXPECT_TRUE(root->AddAt(c2, 0));
    CustomUI stray;
    EXPECT_FALSE(root->AddAt(&stray, 99));
    EXPECT_EQ(CustomUI::inits, before + 2);
    EXPECT_EQ(root->GetItemAt(0), c2);
    EXPECT_TRUE(root->SetItemIndex(c2, root->GetCount() - 1));
    EXPECT_EQ(root->GetItemIndex(c2), root->GetCount() - 1);
    EXPECT_EQ(pm.FindControl(L"second"), c2);
    int deaths = CustomUI::deaths;
    EXPECT_TRUE(root->Remove(c2));
    EXPECT_EQ(CustomUI::deaths, deaths + 1);
    EXPECT_EQ(pm.FindControl(L"second"), nullptr);
    EXPECT_FALSE(root->Remove(c2));   // already gone: nothing happens
}

TEST_F(SkinBuilder, ControlRemovedInsideItsOwnNotificationIsFreedAfterwards) {
    CHorizontalLayoutUI* root = new CHorizontalLayoutUI;
    CHorizontalLayoutUI* tab = new CHorizontalLayoutUI;
    tab->SetName(L"tab_1");
    CustomUI* marker = new CustomUI;
    CButtonUI* closeTab = new CButtonUI;
    closeTab->SetName(L"close_tab_1");
    tab->Add(marker);
    tab->Add(closeTab);
    root->Add(tab);
    pm.AttachDialog(root);
    root->SetPos(RECT{0, 0, 100, 20});
    Recorder rec;
    int deathsSeenInHandler = -1;
    rec.onNotify = [&](TNotifyUI& m) {
        if (m.sType != DUI_MSGTYPE_CLICK) return;
        int before = CustomUI::deaths;
        root->Remove(tab);
        deathsSeenInHandler = CustomUI::deaths - before;
        m.pSender->GetName();   // the sender is still alive here
    };
    pm.AddNotifier(&rec);
    int deaths = CustomUI::deaths;
    TEventUI ev;
    ev.ptMouse = POINT{(closeTab->GetPos().left + closeTab->GetPos().right) / 2, 10};
    ev.Type = UIEVENT_BUTTONDOWN;
    closeTab->Event(ev);
    ev.Type = UIEVENT_BUTTONUP;
    closeTab->Event(ev);
    EXPECT_EQ(deathsSeenInHandler, 0);
    EXPECT_EQ(CustomUI::deaths, deaths + 1);
    EXPECT_EQ(root->GetCount(), 0);
    EXPECT_EQ(pm.FindControl(L"close_tab_1"), nullptr);
}

TEST_F(SkinBuilder, TabLayoutKeepsASelectionWhenPagesComeAndGo) {
    CTabLayoutUI* tab = new CTabLayoutUI;
    pm.AttachDialog(tab);
    CControlUI* p[3];
    for (CControlUI*& c : p) {
        c = new CControlUI;
        tab->Add(c);
    }
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_TRUE(p[0]->IsVisible());
    EXPECT_FALSE(p[1]->IsVisible());
    EXPECT_TRUE(tab->SelectItem(2));
    EXPECT_FALSE(tab->SelectItem(3));
    EXPECT_TRUE(p[2]->IsVisible());
    EXPECT_FALSE(p[0]->IsVisible());
    tab->Remove(p[2]);
    EXPECT_EQ(tab->GetCurSel(), 1);
    EXPECT_TRUE(p[1]->IsVisible());
    tab->Remove(p[0]);
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_EQ(tab->GetItemAt(0), p[1]);
}

TEST_F(SkinBuilder, ScrollingContainerClampsAndScrollsByWheel) {
    CListUI* list = new CListUI;
    list->SetAttribute(L"scrollstep", L"10");
    for (int i = 0; i < 10; ++i) {
        CLabelUI* row = new CLabelUI;
        row->SetFixedHeight(40);
        list->Add(row);
    }
    pm.AttachDialog(list);
    list->SetPos(RECT{0, 0, 100, 100});
    EXPECT_EQ(list->GetScrollRange().cy, 300);
    list->SetScrollPos(SIZE{0, 1000});
    EXPECT_EQ(list->GetScrollPos().cy, 300);
    EXPECT_EQ(list->GetItemAt(9)->GetPos().bottom, 100);
    list->SetScrollPos(SIZE{0, 0});
    TEventUI ev;
    ev.Type = UIEVENT_SCROLLWHEEL;
    ev.wParam = MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA));
    list->GetItemAt(0)->Event(ev);   // bubbles from the row to the list
    EXPECT_EQ(list->GetScrollPos().cy, 10);
    EXPECT_EQ(list->GetItemAt(0)->GetPos().top, -10);
}

namespace {
class MapWnd : public WindowImplBase {
public:
    std::vector<std::wstring> calls;
    DUI_DECLARE_MESSAGE_MAP()
    void OnItemClick(TNotifyUI&) { calls.push_back(L"OnItemClick"); }
    void OnClick(TNotifyUI&) override { calls.push_back(L"OnClick"); }
    void OnSelectChanged(TNotifyUI&) override { calls.push_back(L"OnSelectChanged"); }
protected:
    CDuiString GetSkinFile() override { return L"paint.xml"; }
    LPCTSTR GetWindowClassName() const override { return L"SkinMapWnd"; }
};
DUI_BEGIN_MESSAGE_MAP(MapWnd, WindowImplBase)
    DUI_ON_MSGTYPE(DUI_MSGTYPE_ITEMCLICK, OnItemClick)
DUI_END_MESSAGE_MAP()
}  // namespace

TEST(SkinMessageMap, DerivedMapChainsToTheBaseMap) {
    MapWnd w;
    TNotifyUI msg;
    for (LPCTSTR type : {L"itemclick", L"click", L"selectchanged", L"windowinit"}) {
        msg.sType = type;
        w.Notify(msg);
    }
    ASSERT_EQ(w.calls.size(), 3u);
    EXPECT_EQ(w.calls[0], L"OnItemClick");
    EXPECT_EQ(w.calls[1], L"OnClick");
    EXPECT_EQ(w.calls[2], L"OnSelectChanged");
    msg.sType = L"windowinit";
    EXPECT_FALSE(w.NotifyPump(msg));
}

TEST_F(SkinBuilder, ProgressFillsItsShareAndSliderAndCheckBoxFollowTheMouse) {
    CDialogBuilder builder;
    CControlUI* root = builder.Create(
        L"<Window><VerticalLayout bkcolor=\"#FF000000\">"
        L"<Progress name=\"p\" height=\"10\" max=\"60\" value=\"30\" forecolor=\"#FF00FF00\" bkcolor=\"#FF0000FF\"/>"
        L"<Progress name=\"v\" height=\"20\" width=\"10\" hor=\"false\" value=\"25\" forecolor=\"#FFFF0000\"/>"
        L"<Slider name=\"s\" height=\"10\" max=\"10\" forecolor=\"#FF808080\"/>"
        L"<CheckBox name=\"c\" height=\"10\"/>"
        L"</VerticalLayout></Window>",
        nullptr, nullptr, &pm);
    ASSERT_NE(root, nullptr) << skintest::LogText();
    pm.AttachDialog(root);
    Recorder rec;
    pm.AddNotifier(&rec);
    root->SetPos(RECT{0, 0, 100, 50});

    BITMAPINFO bmi = {};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 100, -50, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP bmp = ::CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(dc, bmp);
    root->DoPaint(dc, RECT{0, 0, 100, 50});
    ::GdiFlush();
    auto pixel = [&](int x, int y) { return static_cast<DWORD*>(bits)[y * 100 + x] & 0xFFFFFF; };
    EXPECT_EQ(pixel(10, 5), 0x00FF00u);   // 30 of 60: the left half
    EXPECT_EQ(pixel(49, 5), 0x00FF00u);
    EXPECT_EQ(pixel(51, 5), 0x0000FFu);
    EXPECT_EQ(pixel(5, 28), 0xFF0000u);   // vertical, 25 of 100: the bottom quarter
    EXPECT_EQ(pixel(5, 22), 0x000000u);
    ::SelectObject(dc, old);
    ::DeleteObject(bmp);
    ::DeleteDC(dc);

    CSliderUI* s = Find<CSliderUI>(L"s");
    TEventUI ev;
    ev.ptMouse = POINT{20, s->GetPos().top + 5};
    ev.Type = UIEVENT_BUTTONDOWN;
    s->Event(ev);
    ev.ptMouse.x = 70;
    ev.Type = UIEVENT_MOUSEMOVE;
    s->Event(ev);
    EXPECT_EQ(s->GetValue(), 7);
    ev.ptMouse.x = 500;   // beyond the end: clamped
    ev.Type = UIEVENT_BUTTONUP;
    s->Event(ev);
    EXPECT_EQ(s->GetValue(), 10);
    ASSERT_EQ(rec.seen.size(), 1u);
    EXPECT_EQ(rec.seen[0], L"valuechanged:s");

    CCheckBoxUI* c = Find<CCheckBoxUI>(L"c");
    ev.ptMouse = POINT{5, c->GetPos().top + 5};
    for (int i = 0; i < 2; ++i) {
        ev.Type = UIEVENT_BUTTONDOWN;
        c->Event(ev);
        ev.Type = UIEVENT_BUTTONUP;
        c->Event(ev);
        EXPECT_EQ(c->GetCheck(), i == 0);   // an ungrouped box toggles
    }
}

TEST_F(SkinBuilder, TestSeamIsOffWithoutTheEnvironmentSwitch) {
    ASSERT_EQ(::GetEnvironmentVariableW(SKIN_SEAM_ENV, nullptr, 0), 0u);
    HWND hwnd = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    pm.Init(hwnd);
    ASSERT_NE(BuildTree(), nullptr);
    const wchar_t name[] = L"closebtn";
    COPYDATASTRUCT cds = {SKIN_SEAM_CLICK, sizeof(name), const_cast<wchar_t*>(name)};
    LRESULT lRes = 0;
    EXPECT_FALSE(pm.MessageHandler(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), lRes));
    EXPECT_EQ(lRes, 0);
    ::DestroyWindow(hwnd);
}
