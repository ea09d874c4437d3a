// The uninstaller window: the product's heading and text from uninst.ini and the Remove
// button. At this stage Remove and the close box end the program; the removal follows.
#include <windows.h>

#include "app_state.h"
#include "child_controls.h"
#include "painters.h"
#include "shared_gdi.h"

namespace nuvex {

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 200;

LRESULT OnCreate(HWND hwnd) {
    const Settings& s = AppSettings();
    CentreWindow(hwnd, kWidth, kHeight);
    CreateStaticText(hwnd, s.szLabelUninst, 70, 30, 410, 30);
    CreateStaticText(hwnd, s.szTextUninst, 70, 62, 410, 70);
    Controls().next = CreateOwnerDrawButton(hwnd, s.szButtonUnInstall, 385, 165, 100, 25);
    Controls().closeBox = CreateOwnerDrawButton(hwnd, "", 474, 4, 21, 21);
    return 0;
}

LRESULT OnPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    PaintFrame(dc, kWidth, kHeight, true, true, "Nuvex Uninstaller");
    return EndPaint(hwnd, &ps);
}

void OnCommand(HWND hwnd, HWND control) {
    if (control && (control == Controls().next || control == Controls().closeBox)) {
        DestroyWindow(hwnd);
        PostQuitMessage(0);
    }
}

}  // namespace

LRESULT CALLBACK UninstallerWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            return OnCreate(hwnd);
        case WM_PAINT:
            return OnPaint(hwnd);
        case WM_COMMAND:
            OnCommand(hwnd, reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_DRAWITEM:
            PaintControl(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(Gdi().whiteBrush);
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace nuvex
