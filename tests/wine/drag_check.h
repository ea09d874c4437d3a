// The drag-strip check for the frameless windows' tests.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "driver.h"

namespace nuvex::test {

// Presses the left button at places around the top strip of `window` (500 pixels wide) and
// moves the cursor 15 right and 10 down: only a press strictly inside the strip, less than
// 25 pixels from the top, drags. A drag-timer tick (identifier `timer`) sent by the test
// samples the cursor at once, so each press sees the cursor the test has just placed.
inline void ExpectDragsOnlyByTheTopStrip(HWND window, UINT_PTR timer) {
    struct Case {
        int dx, dy;  // press point relative to the window's top-left corner
        bool drags;
    };
    const Case cases[] = {{1, 1, true},    {499, 24, true}, {100, 25, false},
                          {100, 0, false}, {0, 10, false},  {500, 10, false}};
    // Under X11, Wine may still apply a pointer motion from an earlier warp after
    // SetCursorPos, which moves the cursor back: place it again until a tick has sampled it
    // with the cursor standing where it was put.
    auto placeAndTick = [&](int x, int y) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            SetCursorPos(x, y);
            POINT p = {};
            WaitUntil([&] { return GetCursorPos(&p) && p.x == x && p.y == y; }, 2000);
            SendMessageA(window, WM_TIMER, timer, 0);
            if (GetCursorPos(&p) && p.x == x && p.y == y) {
                return;
            }
        }
        ADD_FAILURE() << "the cursor does not stay at " << x << "," << y;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dx) + "," + std::to_string(c.dy));
        RECT before, after, released;
        GetWindowRect(window, &before);
        placeAndTick(before.left + c.dx, before.top + c.dy);
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.dx, c.dy));
        placeAndTick(before.left + c.dx + 15, before.top + c.dy + 10);
        GetWindowRect(window, &after);
        EXPECT_EQ(after.left - before.left, c.drags ? 15 : 0);
        EXPECT_EQ(after.top - before.top, c.drags ? 10 : 0);
        SendMessageA(window, WM_LBUTTONUP, 0, 0);
        // Released: the window stays where it is.
        placeAndTick(before.left + c.dx + 40, before.top + c.dy + 40);
        GetWindowRect(window, &released);
        EXPECT_EQ(released.left, after.left);
    }
}

}  // namespace nuvex::test
