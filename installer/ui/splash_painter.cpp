// The splash: a frame without logo, the preparing line under the caption, the wait line in the
// bottom-right corner and the loader's progress bar between them.
#include "splash_painter.h"

#include "painters.h"
#include "skin.h"

namespace nuvex {

namespace {

// The splash lines are stored in code page 1250 (Central European). Drawn as wide text, they
// show their Czech letters whatever the system's own ANSI code page is.
void TextOut1250(HDC dc, int x, int y, const char* text) {
    wchar_t wide[64];
    int length = MultiByteToWideChar(1250, 0, text, -1, wide, 64);
    if (length > 0) {
        TextOutW(dc, x, y, wide, length - 1);
    } else {
        TextOutA(dc, x, y, text, lstrlenA(text));
    }
}

}  // namespace

void PaintSplash(HDC dc, const char* preparingText, const char* waitText) {
    PaintFrame(dc, kSplashWidth, kSplashHeight, false, false, "Nuvex Installer");
    SetTextColor(dc, RGB(0, 0, 0));
    SelectObject(dc, Font(FontId::kText));
    TextOut1250(dc, 8, 26, preparingText);
    SelectObject(dc, Font(FontId::kSmall));
    SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
    TextOut1250(dc, 184, 74, waitText);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
}

void PaintSplashBar(HDC dc, int percent) { PaintProgressBar(dc, 20, 40, 150, 20, percent); }

}  // namespace nuvex
