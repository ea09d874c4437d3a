// The controller window's splash, painted into any device context so that a test can paint it
// into a memory bitmap.
#pragma once

#include <windows.h>

namespace nuvex {

inline constexpr int kSplashWidth = 190;
inline constexpr int kSplashHeight = 80;

// Frame with its caption and the two lines, given in code page 1250. The bar is left to
// PaintSplashBar, which the controller's timer calls.
void PaintSplash(HDC dc, const char* preparingText, const char* waitText);
void PaintSplashBar(HDC dc, int percent);

}  // namespace nuvex
