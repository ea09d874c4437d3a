// Paints a window's skin: four stretched edges, five-pixel corners, the caption band, and
// optionally the logo and the separator line, then the caption over a two-pixel shadow.
#include "painters.h"
#include "resource_ids.h"
#include "scoped.h"
#include "skin.h"

namespace nuvex {

namespace {

constexpr COLORREF kCaptionShadow = 0x007F0000;
constexpr COLORREF kCaptionText = 0x0000FFFF;

void Stretch(HDC dc, HDC mem, int id, int x, int y, int w, int h) {
    BITMAP info = {};
    HBITMAP bmp = Bitmap(id);
    GetObjectA(bmp, sizeof info, &info);
    SelectObject(mem, bmp);
    StretchBlt(dc, x, y, w, h, mem, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
}

void Copy(HDC dc, HDC mem, int id, int x, int y, int w, int h) {
    SelectObject(mem, Bitmap(id));
    BitBlt(dc, x, y, w, h, mem, 0, 0, SRCCOPY);
}

// The bitmap pieces, through one memory DC.
void PaintPieces(HDC dc, int width, int height, bool logo, bool separator) {
    ScopedMemoryDC mem(dc);
    // The memory DC's own 1x1 bitmap goes back before it is deleted, so that the last
    // frame piece stays selectable elsewhere.
    ScopedSelection original(mem.get(), OBJ_BITMAP);

    Stretch(dc, mem.get(), IDB_EDGE_TOP, 0, 0, width, 4);
    Stretch(dc, mem.get(), IDB_EDGE_BOTTOM, 0, height - 4, width, 4);
    Stretch(dc, mem.get(), IDB_EDGE_LEFT, 0, 0, 4, height);
    Stretch(dc, mem.get(), IDB_EDGE_RIGHT, width - 4, 0, 4, height);

    Copy(dc, mem.get(), IDB_CORNER_TOP_LEFT, 0, 0, 5, 5);
    Copy(dc, mem.get(), IDB_CORNER_TOP_RIGHT, width - 5, 0, 5, 5);
    Copy(dc, mem.get(), IDB_CORNER_BOTTOM_LEFT, 0, height - 5, 5, 5);
    Copy(dc, mem.get(), IDB_CORNER_BOTTOM_RIGHT, width - 5, height - 5, 5, 5);

    if (logo) {
        Stretch(dc, mem.get(), IDB_CAPTION_BAND, 59, 4, width - 63, 21);
        Copy(dc, mem.get(), IDB_LOGO, 4, 4, 55, 55);
    } else {
        Stretch(dc, mem.get(), IDB_CAPTION_BAND, 4, 4, width - 8, 21);
    }
    if (separator) {
        Copy(dc, mem.get(), IDB_SEPARATOR, width - 340, height - 45, 325, 2);
    }
}

}  // namespace

void PaintFrame(HDC dc, int width, int height, bool logo, bool separator, const char* caption) {
    PaintPieces(dc, width, height, logo, separator);

    const int textX = logo ? 55 : 5;
    const int length = lstrlenA(caption);
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, Font(FontId::kCaption));
    SetTextColor(dc, kCaptionShadow);
    TextOutA(dc, textX + 2, 3, caption, length);
    SetTextColor(dc, kCaptionText);
    TextOutA(dc, textX, 2, caption, length);
}

}  // namespace nuvex
