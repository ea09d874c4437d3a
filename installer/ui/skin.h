// The fonts and bitmaps of the skin every window is painted with: made once before the first
// window, released after the message loop.
#pragma once

#include <windows.h>

namespace nuvex {

enum class FontId { kCaption, kText, kSmall, kLarge, kCount };

// Creates the four fonts and loads the eighteen bitmaps of `instance`. False when a bitmap
// cannot be loaded.
bool LoadSkin(HINSTANCE instance);
void ReleaseSkin();

HFONT Font(FontId id);
// A bitmap by its resource identifier; nullptr for an identifier that is not one of ours.
HBITMAP Bitmap(int resourceId);

}  // namespace nuvex
