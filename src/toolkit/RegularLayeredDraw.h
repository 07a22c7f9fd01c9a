#pragma once
// A layered drawer whose background image is drawn as a nine-grid: corners
// unscaled, edges stretched along their length, the centre both ways.
#include "SimpleLayeredDraw.h"

class CRegularLayeredDraw : public CSimpleLayeredDraw {
public:
    CRegularLayeredDraw(int left, int top, int right, int bottom) : margins_{left, top, right, bottom} {}

    void Draw(HDC dc, SIZE size) override;
    const RECT& GetMargins() const { return margins_; }

private:
    RECT margins_;
};
