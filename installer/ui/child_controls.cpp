#include "child_controls.h"

#include "shared_gdi.h"
#include "skin.h"

namespace nuvex {

namespace {

// The module of the parent's window: every window of the program is made with the
// program's own instance.
HINSTANCE InstanceOf(HWND parent) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
}

HWND CreateChild(HWND parent, const char* cls, const char* text, DWORD style, int x, int y,
                 int width, int height) {
    HWND child = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                 parent, nullptr, InstanceOf(parent), nullptr);
    if (child) {
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(Font(FontId::kText)), FALSE);
    }
    return child;
}

}  // namespace

HWND CreateStaticText(HWND parent, const char* text, int x, int y, int width, int height) {
    return CreateChild(parent, "STATIC", text, SS_LEFT, x, y, width, height);
}

HWND CreateOwnerDrawButton(HWND parent, const char* text, int x, int y, int width, int height) {
    return CreateChild(parent, "BUTTON", text, BS_OWNERDRAW | WS_TABSTOP, x, y, width, height);
}

HWND CreateControl(HWND parent, const char* cls, const char* text, DWORD style, int x, int y,
                   int width, int height, bool textFont) {
    HWND child = CreateWindowExA(0, cls, text, style, x, y, width, height, parent, nullptr,
                                 InstanceOf(parent), nullptr);
    if (child && textFont) {
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(Font(FontId::kText)), TRUE);
    }
    return child;
}

void FollowApplicationActivation(HWND window, HWND background, bool active, bool showBackground) {
    if (active) {
        if (IsIconic(window)) {
            OpenIcon(window);
        }
        if (showBackground && background && !IsWindowVisible(background)) {
            ShowWindow(background, SW_SHOW);
        }
        BringWindowToTop(window);
    } else {
        if (background && IsWindowVisible(background)) {
            ShowWindow(background, SW_HIDE);
        }
        CloseWindow(window);
    }
}

void CentreWindow(HWND hwnd, int width, int height) {
    MoveWindow(hwnd, (Gdi().screenWidth - width) / 2, (Gdi().screenHeight - height) / 2, width,
               height, TRUE);
}

}  // namespace nuvex
