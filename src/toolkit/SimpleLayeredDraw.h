#pragma once
// Drawing of a layered window's surface. CSimpleLayeredDraw holds the
// background image (owned), the layered window it draws for (not owned) and
// the surface size; UpdateLayered paints the window's items onto a fresh
// transparent 32-bit surface and hands it to UpdateLayeredWindow.
// Window thread only.
#include <windows.h>

#include <memory>

#include "ximage.h"

class CItemsUIMsgHandler;

class CSimpleLayeredDraw {
public:
    CSimpleLayeredDraw() = default;
    virtual ~CSimpleLayeredDraw();
    CSimpleLayeredDraw(const CSimpleLayeredDraw&) = delete;
    CSimpleLayeredDraw& operator=(const CSimpleLayeredDraw&) = delete;

    // Draws the background image onto a 32-bit surface of the given size:
    // here the whole image, unscaled, at (0, 0).
    virtual void Draw(HDC dc, SIZE size);

    // The layered update: a cx x cy surface, all transparent, with every
    // visible item of items that meets the target's client rectangle
    // painted on it, becomes the target window's look. Nothing without a
    // target or when the surface cannot be made. The background image is
    // not part of it.
    void UpdateLayered(HDC dc, int cx, int cy, CItemsUIMsgHandler& items);

    void SetTargetWindow(HWND wnd) { target_ = wnd; }
    HWND GetTargetWindow() const { return target_; }
    void SetSurfaceSize(int cx, int cy) {
        width_ = cx;
        height_ = cy;
    }
    int GetSurfaceWidth() const { return width_; }
    int GetSurfaceHeight() const { return height_; }
    std::unique_ptr<CxImage>* ImageSlot() { return &image_; }

protected:
    CxImage* Image() const { return image_.get(); }

private:
    std::unique_ptr<CxImage> image_;
    HWND target_ = nullptr;  // not owned
    int width_ = 0;
    int height_ = 0;
};
