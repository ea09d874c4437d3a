// The full-screen background behind the wizard. For now it covers the screen in the first
// background colour; the painted backdrop comes with the background window's own work.
#include <windows.h>

#include "app_state.h"
#include "scoped_gdi.h"
#include "shared_gdi.h"

namespace nuvex {

namespace {

LRESULT OnCreate(HWND hwnd) {
    MoveWindow(hwnd, 0, 0, Gdi().screenWidth, Gdi().screenHeight, TRUE);
    return 0;
}

LRESULT OnPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(AppSettings().bgcolor1));
    FillRect(dc, &ps.rcPaint, brush.get());
    return EndPaint(hwnd, &ps);
}

}  // namespace

LRESULT CALLBACK BackgroundWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            return OnCreate(hwnd);
        case WM_PAINT:
            return OnPaint(hwnd);
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace nuvex
