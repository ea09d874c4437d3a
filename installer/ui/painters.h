// The skin every window shares: bitmap frames with a shadowed caption, owner-drawn buttons
// and the progress bar. Painters take a device context and plain values, so tests can paint
// into a memory bitmap and read the pixels back.
#pragma once

#include <windows.h>

namespace nuvex {

// What an owner-drawn control is, as the window that made it knows: the painter draws by
// this alone.
enum class ControlKind {
    kNone,          // not ours: left alone
    kPushButton,    // Next, Back, Browse, the uninstaller's Remove
    kCancelButton,  // the progress window's Cancel: grey text when disabled
    kCloseBox,
    kResultCheck,  // the result picture of the done page
    kResultCross,  // the result picture of the error page
};

// Border, caption band, optional logo and separator, and the caption with its shadow.
void PaintFrame(HDC dc, int width, int height, bool logo, bool separator, const char* caption);

// WM_DRAWITEM for every owner-drawn control.
void PaintControl(const DRAWITEMSTRUCT& item, ControlKind kind);

// Outline and fill for `percent`; the part past the fill is not erased.
void PaintProgressBar(HDC dc, int x, int y, int width, int height, int percent);
void PaintProgressBar(HWND hwnd, int x, int y, int width, int height, int percent);

}  // namespace nuvex
