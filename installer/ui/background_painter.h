// The full-screen backdrop: a picture (default strips, solid colour or gradient) and the
// product's three texts. Takes a device context and plain values, so a test can paint it
// into a memory bitmap of any screen size.
#pragma once

#include <windows.h>

#include "settings.h"

namespace nuvex {

struct BackgroundLook {
    int type = kBackgroundDefault;
    Colour colour1 = 0;
    Colour colour2 = 0;
    bool shadow = false;  // black copy of the name 5 pixels right and down
    const char* appName = "";
    const char* subLabel = "";
    const char* miniText = "";
    Colour appNameColour = 0;
    Colour subLabelColour = 0;
    Colour miniTextColour = 0;
};

void PaintBackground(HDC dc, int width, int height, const BackgroundLook& look);

}  // namespace nuvex
