// Owner-drawn controls: push buttons from two bitmap faces, the close box and the result
// picture, told apart by their window handles.
#include "painters.h"
#include "resource_ids.h"
#include "resources.h"
#include "scoped_gdi.h"

namespace nuvex {

namespace {

constexpr COLORREF kButtonText = 0x007F0000;
constexpr COLORREF kFocusedButtonText = 0x00BB0000;
constexpr COLORREF kDisabledCancelText = 0x007F7F7F;

ControlHandles g_controls;

void CopyBitmap(HDC dc, HDC mem, int id, const RECT& r) {
    HGDIOBJ old = SelectObject(mem, Bitmap(id));
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
}

// A push button: face, then its window text centred with its bottom 7 pixels below the
// middle; pressed moves face and text one pixel right and down. `textColour` of
// CLR_INVALID keeps the context's current colour.
void PaintPushButton(const DRAWITEMSTRUCT& item, HDC mem, COLORREF textColour) {
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const int offset = pressed ? 1 : 0;
    const int width = item.rcItem.right - item.rcItem.left;
    const int height = item.rcItem.bottom - item.rcItem.top;
    CopyBitmap(item.hDC, mem, pressed ? IDB_BUTTON_PRESSED : IDB_BUTTON_NORMAL, item.rcItem);

    char text[2048];
    int length = GetWindowTextA(item.hwndItem, text, sizeof text);
    SetTextAlign(item.hDC, TA_CENTER | TA_BOTTOM);
    if (textColour != CLR_INVALID) {
        SetTextColor(item.hDC, textColour);
    }
    SetBkMode(item.hDC, TRANSPARENT);
    SelectObject(item.hDC, Font(FontId::kText));
    TextOutA(item.hDC, width / 2 + offset, height / 2 + offset + 7, text, length);
}

}  // namespace

ControlHandles& Controls() { return g_controls; }

void PaintControl(const DRAWITEMSTRUCT& item) {
    ScopedMemoryDC mem(item.hDC);
    const HWND h = item.hwndItem;
    if (h == nullptr) {
        return;
    }
    if (h == g_controls.next || h == g_controls.back || h == g_controls.browse) {
        COLORREF colour = CLR_INVALID;
        if (!(item.itemState & ODS_DISABLED)) {
            colour = (item.itemState & ODS_FOCUS) ? kFocusedButtonText : kButtonText;
        }
        PaintPushButton(item, mem.get(), colour);
    } else if (h == g_controls.resultPicture) {
        CopyBitmap(item.hDC, mem.get(),
                   g_controls.resultFlag ? IDB_RESULT_CROSS : IDB_RESULT_CHECK, item.rcItem);
    } else if (h == g_controls.closeBox) {
        CopyBitmap(item.hDC, mem.get(),
                   (item.itemState & ODS_SELECTED) ? IDB_CLOSE_PRESSED : IDB_CLOSE_NORMAL,
                   item.rcItem);
    } else if (h == g_controls.cancel) {
        PaintPushButton(item, mem.get(),
                        (item.itemState & ODS_DISABLED) ? kDisabledCancelText : kButtonText);
    }
}

}  // namespace nuvex
