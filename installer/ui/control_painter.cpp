// Owner-drawn controls: push buttons from two bitmap faces, the close box and the result
// picture, told apart by the kind their window gives.
#include "painters.h"
#include "resource_ids.h"
#include "scoped.h"
#include "skin.h"

namespace nuvex {

namespace {

constexpr COLORREF kButtonText = 0x007F0000;
constexpr COLORREF kFocusedButtonText = 0x00BB0000;
constexpr COLORREF kDisabledCancelText = 0x007F7F7F;

void CopyBitmap(HDC dc, HDC mem, int id, const RECT& r) {
    ScopedSelection face(mem, Bitmap(id));
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, 0, 0, SRCCOPY);
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

void PaintControl(const DRAWITEMSTRUCT& item, ControlKind kind) {
    ScopedMemoryDC mem(item.hDC);
    if (item.hwndItem == nullptr) {
        return;
    }
    switch (kind) {
        case ControlKind::kPushButton: {
            COLORREF colour = CLR_INVALID;
            if (!(item.itemState & ODS_DISABLED)) {
                colour = (item.itemState & ODS_FOCUS) ? kFocusedButtonText : kButtonText;
            }
            PaintPushButton(item, mem.get(), colour);
            break;
        }
        case ControlKind::kResultCheck:
        case ControlKind::kResultCross:
            CopyBitmap(item.hDC, mem.get(),
                       kind == ControlKind::kResultCross ? IDB_RESULT_CROSS : IDB_RESULT_CHECK,
                       item.rcItem);
            break;
        case ControlKind::kCloseBox:
            CopyBitmap(item.hDC, mem.get(),
                       (item.itemState & ODS_SELECTED) ? IDB_CLOSE_PRESSED : IDB_CLOSE_NORMAL,
                       item.rcItem);
            break;
        case ControlKind::kCancelButton:
            PaintPushButton(item, mem.get(),
                            (item.itemState & ODS_DISABLED) ? kDisabledCancelText : kButtonText);
            break;
        case ControlKind::kNone:
            break;
    }
}

}  // namespace nuvex
