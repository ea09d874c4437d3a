#include "child_controls.h"

#include "app_state.h"
#include "resources.h"
#include "shared_gdi.h"

namespace nuvex {

namespace {

HWND CreateChild(HWND parent, const char* cls, const char* text, DWORD style, int x, int y,
                 int width, int height) {
    HWND child = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                 parent, nullptr, App().instance, nullptr);
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
                                 App().instance, nullptr);
    if (child && textFont) {
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(Font(FontId::kText)), TRUE);
    }
    return child;
}

void FollowApplicationActivation(HWND window, bool active, bool showBackground) {
    HWND background = App().backgroundWindow;
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
