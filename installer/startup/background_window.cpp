// The full-screen background behind the wizard and the progress window. It only paints:
// being disabled, it never takes input. The wizard and the progress window show and hide it.
#include <windows.h>

#include "background_painter.h"
#include "package_state.h"
#include "shared_gdi.h"
#include "text_rules.h"

namespace nuvex {

namespace {

LRESULT OnCreate(HWND hwnd) {
    MoveWindow(hwnd, 0, 0, Gdi().screenWidth, Gdi().screenHeight, TRUE);
    return 1;
}

LRESULT OnPaint(HWND hwnd) {
    const Settings& s = AppSettings();
    // The shadow switch is read from the script at every repaint rather than kept.
    char shadow[255];
    GetPrivateProfileStringA("Design", "shadowappname", "false", shadow, sizeof shadow,
                             Package().scriptPath);
    BackgroundLook look;
    look.type = s.backgroundtype;
    look.colour1 = s.bgcolor1;
    look.colour2 = s.bgcolor2;
    look.shadow = EqualsIgnoreCase(shadow, "true");
    look.appName = s.szInstallAppName;
    look.subLabel = s.szbackgroundsublabel;
    look.miniText = s.szbackgroundminitext;
    look.appNameColour = s.colorappname;
    look.subLabelColour = s.colorappinfo;
    look.miniTextColour = s.colorauthor;

    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    PaintBackground(dc, Gdi().screenWidth, Gdi().screenHeight, look);
    EndPaint(hwnd, &ps);
    return 0;
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
