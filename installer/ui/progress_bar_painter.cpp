// The progress bar every window draws: a light outline and a blue fill of the rule's length.
#include "painters.h"
#include "scoped.h"
#include "shared_gdi.h"
#include "text_rules.h"

namespace nuvex {

namespace {
constexpr COLORREF kBarPen = 0x00FFA6A6;
constexpr COLORREF kBarFill = 0x00FF0000;
}  // namespace

void PaintProgressBar(HDC dc, int x, int y, int width, int height, int percent) {
    ScopedGdiObject<HPEN> pen(CreatePen(PS_SOLID, 0, kBarPen));
    ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(kBarFill));
    const int fill = ProgressFillLength(width, percent);

    SelectObject(dc, pen.get());
    SelectObject(dc, brush.get());
    const POINT outline[] = {
        {x, y}, {x + width + 1, y}, {x + width + 1, y + height}, {x, y + height}, {x, y}};
    Polyline(dc, outline, 5);
    Rectangle(dc, x, y, x + fill, y + height + 1);
    // Put the shared objects back so that pen and brush can be deleted.
    SelectObject(dc, Gdi().blackBrush);
    SelectObject(dc, Gdi().nullPen);
}

void PaintProgressBar(HWND hwnd, int x, int y, int width, int height, int percent) {
    ScopedWindowDC dc(hwnd);
    if (dc.get()) {
        PaintProgressBar(dc.get(), x, y, width, height, percent);
    }
}

}  // namespace nuvex
