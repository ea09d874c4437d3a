#include "background_painter.h"

#include "resource_ids.h"
#include "scoped.h"
#include "shared_gdi.h"
#include "skin.h"
#include "wizard_rules.h"

namespace nuvex {

namespace {

constexpr int kStripLines = 46;

void FillSolid(HDC dc, int width, int height, Colour colour) {
    ScopedGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
    ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    SelectObject(dc, pen.get());
    SelectObject(dc, brush.get());
    Rectangle(dc, 0, 0, width, height);
    SelectObject(dc, Gdi().blackBrush);
    SelectObject(dc, Gdi().nullPen);
}

// Black, with the 256-pixel strip from blue to black stretched across every other line of
// the top 92.
void PaintDefaultBackdrop(HDC dc, int width, int height) {
    FillSolid(dc, width, height, 0);
    ScopedMemoryDC mem(dc);
    ScopedSelection strip(mem.get(), Bitmap(IDB_BACKGROUND_STRIP));
    for (int i = 0; i < kStripLines; ++i) {
        StretchBlt(dc, 0, 2 * i, width, 1, mem.get(), 0, 0, 256, 1, SRCCOPY);
    }
}

void PaintGradient(HDC dc, int width, int height, Colour top, Colour bottom) {
    GradientBands bands;
    ComputeGradient(height, top, bottom, bands);
    for (int k = 0; k < bands.count; ++k) {
        const int y = k * bands.bandHeight;
        ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(bands.colour[k]));
        RECT band = {0, y, width, y + bands.bandHeight};
        FillRect(dc, &band, brush.get());
    }
}

void Text(HDC dc, int x, int y, Colour colour, const char* text) {
    SetTextColor(dc, colour);
    TextOutA(dc, x, y, text, lstrlenA(text));
}

}  // namespace

void PaintBackground(HDC dc, int width, int height, const BackgroundLook& look) {
    switch (look.type) {
        case kBackgroundSolid:
            FillSolid(dc, width, height, look.colour1);
            break;
        case kBackgroundGradient:
            PaintGradient(dc, width, height, look.colour1, look.colour2);
            break;
        default:
            PaintDefaultBackdrop(dc, width, height);
            break;
    }
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, Font(FontId::kLarge));
    if (look.shadow) {
        Text(dc, 45, 15, 0, look.appName);
    }
    Text(dc, 40, 10, look.appNameColour, look.appName);
    SelectObject(dc, Font(FontId::kText));
    Text(dc, 45, 75, look.subLabelColour, look.subLabel);
    const UINT align = SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
    Text(dc, width - 10, height - 5, look.miniTextColour, look.miniText);
    SetTextAlign(dc, align);
}

}  // namespace nuvex
