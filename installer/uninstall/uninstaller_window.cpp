// The uninstaller window: the product's heading and text from uninst.ini, a Remove button,
// the close box and a progress bar. Remove starts the removal thread; the window closes
// itself, and the program ends, when the thread has finished.
#include <windows.h>

#include "child_controls.h"
#include "drag_strip.h"
#include "numbered_keys.h"
#include "package_state.h"
#include "painters.h"
#include "shared_gdi.h"
#include "uninstall_state.h"

namespace nuvex {

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 200;
constexpr UINT_PTR kEndTimer = 1;
constexpr UINT kEndTickMs = 100;
constexpr UINT_PTR kDragTimer = 2;
constexpr UINT kDragTickMs = 10;
constexpr int kBarX = 25, kBarY = 110, kBarWidth = 450, kBarHeight = 20;

constexpr DWORD kTextStyle = WS_CHILD | WS_VISIBLE;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;

UninstallState g_uninstall;
DragStrip g_drag(kWidth, kHeight);

void Quit(HWND hwnd) {
    DestroyWindow(hwnd);
    PostQuitMessage(0);
}

LRESULT OnCreate(HWND hwnd) {
    const Settings& s = AppSettings();
    MoveWindow(hwnd, GetSystemMetrics(SM_CXMAXIMIZED) / 2 - kWidth / 2,
               GetSystemMetrics(SM_CYMAXIMIZED) / 2 - kHeight / 2, kWidth, kHeight, TRUE);
    SetTimer(hwnd, kEndTimer, kEndTickMs, nullptr);
    SetTimer(hwnd, kDragTimer, kDragTickMs, nullptr);
    CreateControl(hwnd, "STATIC", s.szTextUninst, kTextStyle, 25, 70, 450, 39, true);
    CreateControl(hwnd, "STATIC", s.szLabelUninst, kTextStyle, 65, 30, 300, 30, true);
    g_uninstall.removeButton =
        CreateControl(hwnd, "BUTTON", s.szButtonUnInstall, kButtonStyle, 385, 165, 100, 25, false);
    g_uninstall.closeBox = CreateControl(hwnd, "BUTTON", "", kButtonStyle, 475, 4, 21, 21, false);
    GetPrivateProfileStringA(kLogSection, kLogProductKey, "", g_uninstall.productKey,
                             sizeof g_uninstall.productKey, Package().scriptPath);
    return 1;
}

LRESULT OnPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    PaintFrame(dc, kWidth, kHeight, true, true, g_uninstall.productKey);
    PaintProgressBar(dc, kBarX, kBarY, kBarWidth, kBarHeight, g_uninstall.percent.load());
    EndPaint(hwnd, &ps);
    return 0;
}

// Ends the program once the thread has finished, and grows the bar while it works.
void OnEndTick(HWND hwnd) {
    const int percent = g_uninstall.percent.load();
    DWORD code = STILL_ACTIVE;
    if (g_uninstall.thread && GetExitCodeThread(g_uninstall.thread, &code) &&
        code != STILL_ACTIVE && percent != 0) {
        Quit(hwnd);
        return;
    }
    if (percent != g_uninstall.lastDrawn) {
        PaintProgressBar(hwnd, kBarX, kBarY, kBarWidth, kBarHeight, percent);
        g_uninstall.lastDrawn = percent;
    }
}

void OnRemove() {
    g_uninstall.thread = CreateThread(nullptr, 0, UninstallThreadProc, nullptr, 0, nullptr);
    if (g_uninstall.thread) {
        EnableWindow(g_uninstall.removeButton, FALSE);
    }
}

void OnCommand(HWND hwnd, HWND control) {
    if (!control) {
        return;
    }
    if (control == g_uninstall.closeBox) {
        Quit(hwnd);
    } else if (control == g_uninstall.removeButton && !g_uninstall.thread) {
        OnRemove();
    }
}

void OnDrawItem(const DRAWITEMSTRUCT& item) {
    ControlKind kind = ControlKind::kNone;
    if (item.hwndItem == g_uninstall.removeButton) {
        kind = ControlKind::kPushButton;
    } else if (item.hwndItem == g_uninstall.closeBox) {
        kind = ControlKind::kCloseBox;
    }
    PaintControl(item, kind);
}

}  // namespace

UninstallState& Uninstall() { return g_uninstall; }

LRESULT CALLBACK UninstallerWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            return OnCreate(hwnd);
        case WM_PAINT:
            return OnPaint(hwnd);
        case WM_TIMER:
            if (wParam == kEndTimer) {
                OnEndTick(hwnd);
            } else if (wParam == kDragTimer) {
                g_drag.OnTick(hwnd);
            }
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            g_drag.OnButton(hwnd, msg == WM_LBUTTONDOWN);
            return 0;
        case WM_ACTIVATEAPP:
            FollowApplicationActivation(hwnd, nullptr, wParam != 0, false);  // no background here
            return 0;
        case WM_COMMAND:
            OnCommand(hwnd, reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_CLOSE:
            // Alt+F4 or the system menu: end like the close box, or the message loop would
            // go on with no window at all.
            Quit(hwnd);
            return 0;
        case WM_CTLCOLORSTATIC:
            SelectObject(reinterpret_cast<HDC>(wParam), Gdi().whiteBrush);
            return reinterpret_cast<LRESULT>(Gdi().whiteBrush);
        case WM_DRAWITEM:
            OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace nuvex
