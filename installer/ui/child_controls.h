// Helpers for the child controls that the windows create: static texts and owner-drawn
// buttons, both carrying no identifier, and window placement.
#pragma once

#include <windows.h>

namespace nuvex {

HWND CreateStaticText(HWND parent, const char* text, int x, int y, int width, int height);
HWND CreateOwnerDrawButton(HWND parent, const char* text, int x, int y, int width, int height);

// A child control with exactly `style` (no identifier). With `textFont` it gets the text font
// by WM_SETFONT with redraw.
HWND CreateControl(HWND parent, const char* cls, const char* text, DWORD style, int x, int y,
                   int width, int height, bool textFont);

// A main window following the user between applications: when its application is
// deactivated it hides `background` (none: nullptr) and minimises; when activated it comes
// back, shows the background again when `showBackground` says so, and comes to the top.
void FollowApplicationActivation(HWND window, HWND background, bool active, bool showBackground);

// Moves `hwnd` to the middle of the screen with the given size.
void CentreWindow(HWND hwnd, int width, int height);

}  // namespace nuvex
