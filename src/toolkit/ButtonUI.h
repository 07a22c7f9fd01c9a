#pragma once
// The image button: a drawn item whose look is one image strip of five
// frames side by side (0 normal, 1 pushed, 2 disabled, 3 hover, 4 focused).
// Clicking it sends WM_COMMAND with its command id to its window
// (synchronously). Window thread only. Owns its image; the shared image
// source, when set, is not owned.
#include <windows.h>

#include <memory>
#include <string>

#include "ItemUI.h"
#include "ximage.h"

namespace uiskin {

class CButtonUI : public CItemUI {
public:
    enum State { kNormal = 0, kPushed = 1, kHover = 3 };
    enum Frame { kFrameNormal = 0, kFramePushed = 1, kFrameDisabled = 2, kFrameHover = 3, kFrameFocused = 4 };
    static constexpr int kFrameCount = 5;
    static constexpr COLORREF kNoColor = static_cast<COLORREF>(-1);

    CButtonUI();
    ~CButtonUI() override;

    void Paint(HDC dc) override;
    int GetItemType() override { return 1; }
    void OnMouseMove(UINT flags, int x, int y) override;
    void OnLButtonDown(UINT flags, int x, int y) override;
    void OnLButtonUp(UINT flags, int x, int y) override;
    void OnMouseLeave() override;
    void SetFocusState(bool focused) override;

    // One frame's size: (image width / 5, image height); without an image
    // the shared source rectangle's (width / 5, height); else 0 x 0.
    virtual SIZE GetSize();
    // Sends the command: to the parent item when there is one, else
    // WM_COMMAND(command id, 0) to the window.
    virtual void Click();

    // The own image slot, for the image loader.
    std::unique_ptr<CxImage>* ImageSlot() { return &image_; }
    // A strip inside an image shared by several buttons (not owned).
    void SetSharedImage(CxImage* image, const RECT& source);
    void SetText(const std::wstring& text) { text_ = text; }
    void SetTextColors(COLORREF normal, COLORREF hot);
    // The keyboard focus look (frame 4 while the state is normal).
    void SetFocused(bool focused);
    int GetState() const { return state_; }
    bool IsFocused() const { return focused_ != 0; }
    // The frame Paint would draw now.
    int CurrentFrame() const;

private:
    void SetState(int state);
    void PaintText(HDC dc, int frame);

    CxImage* sharedImage_ = nullptr;  // not owned
    RECT sharedSource_ = {};
    std::unique_ptr<CxImage> image_;
    int state_ = kNormal;
    int focused_ = 0;
    COLORREF textColor_ = 0;
    COLORREF hotTextColor_ = kNoColor;
    LOGFONTW font_ = {};
    std::wstring text_;
};

}  // namespace uiskin
