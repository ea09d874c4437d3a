// The skin every window shares: bitmap frames with a shadowed caption, owner-drawn buttons
// and the progress bar. Painters take a device context and plain values, so tests can paint
// into a memory bitmap and read the pixels back.
#pragma once

#include <windows.h>

namespace nuvex {

// Handles of the owner-drawn controls, filled by the windows that create them. The control
// painter tells controls apart by these handles alone.
struct ControlHandles {
    HWND next = nullptr;  // the uninstaller's Remove button is stored here too
    HWND back = nullptr;
    HWND browse = nullptr;
    HWND closeBox = nullptr;
    HWND resultPicture = nullptr;
    HWND cancel = nullptr;  // progress window
    int resultFlag = 0;     // 0: check mark, 1: cross
};

ControlHandles& Controls();

// Border, caption band, optional logo and separator, and the caption with its shadow.
void PaintFrame(HDC dc, int width, int height, bool logo, bool separator, const char* caption);

// WM_DRAWITEM for every owner-drawn control; a control not in Controls() is left alone.
void PaintControl(const DRAWITEMSTRUCT& item);

// Outline and fill for `percent`; the part past the fill is not erased.
void PaintProgressBar(HDC dc, int x, int y, int width, int height, int percent);
void PaintProgressBar(HWND hwnd, int x, int y, int width, int height, int percent);

}  // namespace nuvex
