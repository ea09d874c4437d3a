#include "drag_strip.h"

namespace nuvex {

void DragStrip::OnTick(HWND hwnd) {
    GetCursorPos(&sample_);
    if (!dragging_) {
        return;
    }
    RECT r;
    GetWindowRect(hwnd, &r);
    MoveWindow(hwnd, r.left + sample_.x - anchor_.x, r.top + sample_.y - anchor_.y, width_, height_,
               TRUE);
    anchor_ = sample_;
}

void DragStrip::OnButton(HWND hwnd, bool down) {
    if (!down) {
        dragging_ = false;
        return;
    }
    RECT r;
    GetWindowRect(hwnd, &r);
    const POINT p = sample_;
    if (r.left < p.x && p.x < r.right && r.top < p.y && p.y < r.top + kStripHeight) {
        dragging_ = true;
        anchor_ = p;
    }
}

}  // namespace nuvex
