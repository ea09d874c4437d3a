// Moving a frameless window by its top strip. The window samples the cursor on a fast
// timer instead of capturing the mouse, so after a press inside the strip it follows the
// cursor until the next button release that reaches it.
#pragma once

#include <windows.h>

namespace nuvex {

class DragStrip {
public:
    DragStrip(int width, int height) : width_(width), height_(height) {}

    // Timer tick: sample the cursor, and move the window by the way it went while dragging.
    void OnTick(HWND hwnd);
    // Left button down: a drag starts when the latest sample lies strictly inside the
    // window's width and strictly below its top, less than 25 pixels down. Up ends it.
    void OnButton(HWND hwnd, bool down);

private:
    static constexpr int kStripHeight = 25;
    int width_;
    int height_;
    bool dragging_ = false;
    POINT sample_ = {};
    POINT anchor_ = {};
};

}  // namespace nuvex
