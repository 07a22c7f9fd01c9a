// Drawn items and their handler: routing, paint order, capture, removal,
// and the image button's frames, size and clicks, driven by window messages
// sent to a real (hidden) container window.
#include "ButtonUI.h"
#include "ImageLoader.h"
#include "UIContainerWnd.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Harness.h"
#include "TestImages.h"

namespace {

std::vector<std::string> g_painted;

// An item that records what reaches it.
class FakeItem : public CItemUI {
public:
    explicit FakeItem(std::string name, RECT rect) : name_(std::move(name)) { SetRect(rect); }
    int GetItemType() override { return 7; }
    void Paint(HDC) override { g_painted.push_back(name_); }
    void OnLButtonDown(UINT, int, int) override { calls.push_back("down"); }
    void OnLButtonUp(UINT, int x, int y) override { calls.push_back("up " + std::to_string(x) + "," + std::to_string(y)); }
    void OnMouseMove(UINT, int, int) override { calls.push_back("move"); }
    void OnMouseLeave() override { calls.push_back("leave"); }
    void OnRButtonUp(UINT, int, int) override { calls.push_back("rup"); }
    std::vector<std::string> calls;

private:
    std::string name_;
};

// A hidden container window that counts the WM_COMMANDs its buttons send.
class CountingWnd : public CUIContainerWnd {
public:
    void OnCommand(WPARAM wParam, LPARAM) override {
        ++commands;
        lastCommand = LOWORD(wParam);
    }
    int commands = 0;
    int lastCommand = 0;
};

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

// Frames of the test strip: normal, pushed, disabled, hover, focused.
constexpr uint32_t kFrameColours[5] = {0xFF100000, 0xFF200000, 0xFF300000, 0xFF400000, 0xFF500000};
uint32_t Strip(int x, int) { return kFrameColours[x / 20]; }

class ItemsHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_painted.clear();
        ASSERT_TRUE(CWndBase::RegisterWndClass(GetModuleHandleW(nullptr)));
        // Off the screen: real mouse input of other tests never reaches it.
        ASSERT_TRUE(CreateWindowExW(0, kNormalWndClassName, L"items", WS_POPUP, -3000, -3000, 300, 200, nullptr,
                                    nullptr, GetModuleHandleW(nullptr), &wnd_));
        dir_ = harness::MakeScratchDir(L"items");
        stripPath_ = dir_ + L"\\strip.png";
        ASSERT_TRUE(testimg::WriteWithGdiplus(stripPath_, L"image/png", testimg::MakePattern(100, 12, Strip)));
    }
    std::unique_ptr<uiskin::CButtonUI> MakeButton(int left, int top, int id) {
        auto button = std::make_unique<uiskin::CButtonUI>();
        EXPECT_TRUE(LoadImageFile(stripPath_.c_str(), button->ImageSlot()));
        const SIZE size = button->GetSize();
        button->SetRect(RECT{left, top, left + size.cx, top + size.cy});
        button->SetCommandId(id);
        return button;
    }
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
        return SendMessageW(wnd_.GetHWND(), message, wParam, lParam);
    }
    // The colour the button paints at its top-left pixel.
    static uint32_t PaintedFrameColour(uiskin::CButtonUI& button) {
        testimg::Surface surface(300, 200, false, 0);
        button.Paint(surface.Dc());
        return surface.At(button.GetRect().left, button.GetRect().top);
    }

    CountingWnd wnd_;
    std::wstring dir_, stripPath_;
};

TEST_F(ItemsHandlerTest, StripOfOneHundredPixelsMakesTwentyPixelFrames) {
    auto button = MakeButton(30, 40, 1);
    EXPECT_EQ(20, button->GetSize().cx);
    EXPECT_EQ(12, button->GetSize().cy);
    button->OnMouseMove(0, 35, 45);  // hover: frame 3, the part from x 60 to 80
    ASSERT_EQ(uiskin::CButtonUI::kHover, button->GetState());
    testimg::Surface surface(100, 80, true, 0);
    button->Paint(surface.Dc());
    EXPECT_EQ(kFrameColours[3], surface.At(30, 40));
    EXPECT_EQ(kFrameColours[3], surface.At(49, 51));
    EXPECT_EQ(0u, surface.At(50, 40));  // one frame wide
    EXPECT_EQ(0u, surface.At(30, 52));
}

TEST_F(ItemsHandlerTest, FrameFollowsStateFocusAndEnabled) {
    auto button = MakeButton(0, 0, 1);
    EXPECT_EQ(kFrameColours[0], PaintedFrameColour(*button));
    button->SetFocused(true);
    EXPECT_EQ(kFrameColours[4], PaintedFrameColour(*button));
    button->OnLButtonDown(0, 1, 1);  // no owner: no capture, still pushed
    EXPECT_EQ(kFrameColours[1], PaintedFrameColour(*button));
    button->SetEnabled(false);
    EXPECT_EQ(kFrameColours[2], PaintedFrameColour(*button));
    button->SetVisible(false);
    EXPECT_EQ(0u, PaintedFrameColour(*button));
}

TEST_F(ItemsHandlerTest, ButtonWithoutImageIsEmptyAndPaintsNothing) {
    uiskin::CButtonUI button;
    button.SetRect(RECT{0, 0, 20, 20});
    EXPECT_EQ(0, button.GetSize().cx);
    EXPECT_EQ(0, button.GetSize().cy);
    EXPECT_EQ(0u, PaintedFrameColour(button));
    EXPECT_FALSE(LoadImageFile((dir_ + L"\\missing.png").c_str(), button.ImageSlot()));
    EXPECT_EQ(0, button.GetSize().cx);
}

TEST_F(ItemsHandlerTest, SharedImageSourceGivesSizeAndFrames) {
    CxImage shared(stripPath_.c_str(), CXIMAGE_FORMAT_PNG);
    ASSERT_TRUE(shared.IsValid());
    uiskin::CButtonUI button;
    button.SetSharedImage(&shared, RECT{20, 0, 70, 12});  // five 10-pixel frames from x 20
    EXPECT_EQ(10, button.GetSize().cx);
    EXPECT_EQ(12, button.GetSize().cy);
    button.SetRect(RECT{5, 5, 15, 17});
    button.OnMouseMove(0, 6, 6);  // hover: frame 3 = x 50..60, inside the strip's frame 2
    EXPECT_EQ(kFrameColours[2], PaintedFrameColour(button));
    // A source past the image's edge paints nothing.
    button.SetSharedImage(&shared, RECT{80, 0, 130, 12});
    EXPECT_EQ(0u, PaintedFrameColour(button));
}

TEST_F(ItemsHandlerTest, ButtonTextTakesTheHotColourWhenHot) {
    uiskin::CButtonUI button;
    button.SetRect(RECT{0, 0, 60, 20});
    button.SetText(L"OK OK");
    button.SetTextColors(RGB(0, 0, 255), RGB(255, 0, 0));
    // Opaque pixels with some of the channel at the shift (0 blue, 16 red).
    auto textPixels = [&](int shift) {
        testimg::Surface surface(60, 20, false, 0);
        button.Paint(surface.Dc());
        int count = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 60; ++x)
                count += (surface.At(x, y) >> 24) == 255 && ((surface.At(x, y) >> shift) & 0xFF) != 0;
        return count;
    };
    EXPECT_GT(textPixels(0), 0);  // normal colour: blue
    EXPECT_EQ(0, textPixels(16));
    button.OnMouseMove(0, 5, 5);
    EXPECT_GT(textPixels(16), 0);  // hot colour: red
    EXPECT_EQ(0, textPixels(0));
}

TEST_F(ItemsHandlerTest, PressAndReleaseInsideSendsOneCommandSynchronously) {
    auto button = MakeButton(10, 10, 321);
    wnd_.AddItem(button.get());
    Send(WM_MOUSEMOVE, 0, At(15, 15));
    EXPECT_EQ(uiskin::CButtonUI::kHover, button->GetState());
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(15, 15));
    EXPECT_EQ(uiskin::CButtonUI::kPushed, button->GetState());
    EXPECT_EQ(wnd_.GetHWND(), GetCapture());
    Send(WM_LBUTTONUP, 0, At(16, 16));
    EXPECT_EQ(1, wnd_.commands);  // counted before SendMessage returned
    EXPECT_EQ(321, wnd_.lastCommand);
    EXPECT_EQ(uiskin::CButtonUI::kHover, button->GetState());
    EXPECT_NE(wnd_.GetHWND(), GetCapture());
    EXPECT_EQ(nullptr, wnd_.GetItemsHandler().GetCaptureItem());
    EXPECT_EQ(nullptr, wnd_.GetItemsHandler().GetPressedItem());
}

TEST_F(ItemsHandlerTest, OverlappingItemsHitAndPaintTheLastOnTop) {
    FakeItem a("a", RECT{0, 0, 50, 50}), b("b", RECT{30, 30, 80, 80});
    CItemsUIMsgHandler& items = wnd_.GetItemsHandler();
    wnd_.AddItem(&a);
    wnd_.AddItem(&b);
    wnd_.AddItem(&a);  // already there: nothing
    ASSERT_EQ(2u, items.Items().size());
    EXPECT_EQ(&b, items.HitTestItem(40, 40));
    items.PaintItems(nullptr, RECT{0, 0, 300, 200});
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), g_painted);
    // Pressing a brings it to the top.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    EXPECT_EQ(&a, items.HitTestItem(40, 40));
    g_painted.clear();
    items.PaintItems(nullptr, RECT{0, 0, 300, 200});
    EXPECT_EQ((std::vector<std::string>{"b", "a"}), g_painted);
    // Only items meeting the clip rectangle paint; hidden ones never.
    g_painted.clear();
    b.SetVisible(false);
    items.PaintItems(nullptr, RECT{60, 60, 70, 70});
    items.PaintItems(nullptr, RECT{0, 0, 10, 10});
    EXPECT_EQ((std::vector<std::string>{"a"}), g_painted);
    EXPECT_EQ(nullptr, items.HitTestItem(70, 70));
}

TEST_F(ItemsHandlerTest, HoverMovesBetweenItemsAndLeavesWithTheMouse) {
    FakeItem a("a", RECT{0, 0, 20, 20}), b("b", RECT{40, 0, 60, 20});
    wnd_.AddItem(&a);
    wnd_.AddItem(&b);
    Send(WM_MOUSEMOVE, 0, At(5, 5));
    Send(WM_MOUSEMOVE, 0, At(45, 5));
    EXPECT_EQ((std::vector<std::string>{"move", "leave"}), a.calls);
    EXPECT_EQ(&b, wnd_.GetItemsHandler().GetHoverItem());
    Send(WM_MOUSEMOVE, 0, At(100, 100));
    EXPECT_EQ((std::vector<std::string>{"move", "leave"}), b.calls);
    EXPECT_EQ(nullptr, wnd_.GetItemsHandler().GetHoverItem());
    Send(WM_MOUSEMOVE, 0, At(5, 5));
    Send(WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ("leave", a.calls.back());
    Send(WM_RBUTTONUP, 0, At(45, 5));
    EXPECT_EQ("rup", b.calls.back());
}

TEST_F(ItemsHandlerTest, HidingOrDestroyingTheWindowResetsItsButtons) {
    auto hovered = MakeButton(0, 0, 1);
    auto pushed = MakeButton(40, 0, 2);
    wnd_.AddItem(hovered.get());
    wnd_.AddItem(pushed.get());
    ShowWindow(wnd_.GetHWND(), SW_SHOWNOACTIVATE);
    Send(WM_MOUSEMOVE, 0, At(5, 5));
    ASSERT_EQ(uiskin::CButtonUI::kHover, hovered->GetState());
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(45, 5));
    ASSERT_EQ(uiskin::CButtonUI::kPushed, pushed->GetState());
    ShowWindow(wnd_.GetHWND(), SW_HIDE);
    EXPECT_EQ(uiskin::CButtonUI::kNormal, hovered->GetState());
    EXPECT_EQ(uiskin::CButtonUI::kNormal, pushed->GetState());
    // The press ended with the window: no capture left behind.
    EXPECT_NE(wnd_.GetHWND(), GetCapture());
    EXPECT_EQ(nullptr, wnd_.GetItemsHandler().GetCaptureItem());
    Send(WM_MOUSEMOVE, 0, At(5, 5));
    ASSERT_EQ(uiskin::CButtonUI::kHover, hovered->GetState());
    wnd_.Destroy();
    EXPECT_EQ(uiskin::CButtonUI::kNormal, hovered->GetState());
}

TEST_F(ItemsHandlerTest, ItemsAndHandlersMayDieInEitherOrder) {
    auto item = std::make_unique<FakeItem>("x", RECT{0, 0, 20, 20});
    wnd_.AddItem(item.get());
    Send(WM_MOUSEMOVE, 0, At(5, 5));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    ASSERT_EQ(item.get(), wnd_.GetItemsHandler().GetHoverItem());
    item.reset();  // its destructor clears every slot of the handler
    EXPECT_TRUE(wnd_.GetItemsHandler().Items().empty());
    EXPECT_EQ(nullptr, wnd_.GetItemsHandler().GetHoverItem());
    EXPECT_EQ(nullptr, wnd_.GetItemsHandler().GetPressedItem());
    Send(WM_LBUTTONUP, 0, At(5, 5));  // nothing left to reach

    FakeItem survivor("s", RECT{0, 0, 5, 5});
    {
        CItemsMsgHandlerEx handler;
        handler.AddItem(&survivor);
        handler.AdoptItem(std::make_unique<FakeItem>("owned", RECT{}));
        EXPECT_EQ(2u, handler.Items().size());
        EXPECT_EQ(&handler, survivor.GetOwner());
    }
    EXPECT_EQ(nullptr, survivor.GetOwner());  // the handler died first: no dangling owner
}

TEST_F(ItemsHandlerTest, RemovingAnUnlistedItemOnlyClearsItsSlots) {
    CItemsUIMsgHandler handler;
    FakeItem listed("l", RECT{0, 0, 10, 10}), other("o", RECT{0, 0, 10, 10});
    handler.AddItem(&listed);
    handler.SetCaptureItem(&other);
    handler.RemoveItem(&other);
    handler.RemoveItem(nullptr);
    EXPECT_EQ(nullptr, handler.GetCaptureItem());
    EXPECT_EQ(1u, handler.Items().size());
    EXPECT_EQ(&handler, listed.GetOwner());
}

TEST_F(ItemsHandlerTest, WheelKeysAndDialogCodesAreNotTaken) {
    EXPECT_EQ(0, Send(WM_GETDLGCODE, 0, 0));
    EXPECT_FALSE(wnd_.GetItemsHandler().OnMouseWheel(WHEEL_DELTA, 0));
    EXPECT_FALSE(wnd_.GetItemsHandler().OnKeyDown(VK_TAB, 0));
}

}  // namespace
