// The wizard window. At this stage it shows the framed introduction with its heading and text
// and a Next button and close box that end the installer; the page sequence follows.
#include <windows.h>

#include "app_state.h"
#include "child_controls.h"
#include "painters.h"
#include "shared_gdi.h"

namespace nuvex {

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 200;

void EndInstaller(HWND hwnd) {
    AppState& app = App();
    if (app.backgroundWindow) {
        DestroyWindow(app.backgroundWindow);
        app.backgroundWindow = nullptr;
    }
    DestroyWindow(hwnd);
    app.wizardWindow = nullptr;
    PostQuitMessage(0);
}

LRESULT OnCreate(HWND hwnd) {
    const Settings& s = AppSettings();
    CentreWindow(hwnd, kWidth, kHeight);
    CreateStaticText(hwnd, s.szLabelUvod, 70, 30, 410, 30);
    CreateStaticText(hwnd, s.szTextUvod, 70, 62, 410, 85);
    Controls().next = CreateOwnerDrawButton(hwnd, s.szButtonNext, 385, 165, 100, 25);
    Controls().closeBox = CreateOwnerDrawButton(hwnd, "", 474, 4, 21, 21);
    return 0;
}

LRESULT OnPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    PaintFrame(dc, kWidth, kHeight, true, true, AppSettings().szInstallAppName);
    return EndPaint(hwnd, &ps);
}

void OnCommand(HWND hwnd, HWND control) {
    if (control && (control == Controls().next || control == Controls().closeBox)) {
        EndInstaller(hwnd);
    }
}

}  // namespace

LRESULT CALLBACK WizardWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
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
        case WM_CTLCOLORBTN:
            return reinterpret_cast<LRESULT>(Gdi().whiteBrush);
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace nuvex
