// The controller window: the splash in the bottom-right corner while the script loader runs,
// then the system check and the hand-over to the background and the wizard.
#include <windows.h>

#include "loader_thread.h"
#include "package_state.h"
#include "process_state.h"
#include "resources.h"
#include "scoped.h"
#include "splash_painter.h"
#include "startup_rules.h"

namespace nuvex {

namespace {

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 50;

constexpr char kStartFailed[] = "Generic error: The installer cannot start!";

bool SystemCheckPassed(HWND hwnd) {
    const Settings& s = AppSettings();
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    if (!SystemRefused(static_cast<int>(version.dwPlatformId), s.erroronwin9x != 0,
                       s.erroronwinnt != 0)) {
        return true;
    }
    const UINT style = s.allowbadwindows ? (MB_YESNO | MB_ICONWARNING) : (MB_OK | MB_ICONERROR);
    return MessageBoxA(hwnd, s.szErrorWin, kErrorCaption, style) == IDYES;
}

void HandOver(HWND hwnd) {
    ProcessState& app = Process();
    const Settings& s = AppSettings();
    DWORD backgroundStyle = WS_POPUP | WS_DISABLED;
    if (s.ShowBackground && s.backgroundonok == 0) {
        backgroundStyle |= WS_VISIBLE;
    }
    app.backgroundWindow =
        CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kBackgroundClass, kProductTitle,
                        backgroundStyle, 0, 0, 1, 1, nullptr, nullptr, app.instance, nullptr);
    if (app.backgroundWindow) {
        app.wizardWindow = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_TOPMOST, kWizardClass,
                                           kProductTitle, WS_POPUP | WS_VISIBLE | WS_SYSMENU, 0, 0,
                                           1, 1, nullptr, nullptr, app.instance, nullptr);
    }
    if (!app.backgroundWindow || !app.wizardWindow) {
        FatalStartupError(kStartFailed);
    }
    BringWindowToTop(app.wizardWindow);
    DestroyWindow(hwnd);
}

LRESULT OnCreate(HWND hwnd) {
    ProcessState& app = Process();
    app.controllerWindow = hwnd;
    MoveWindow(hwnd, GetSystemMetrics(SM_CXMAXIMIZED) - 220, GetSystemMetrics(SM_CYMAXIMIZED) - 110,
               kSplashWidth, kSplashHeight, TRUE);
    SetTimer(hwnd, kTickTimer, kTickMs, nullptr);
    // Already done when a silent request found a script that does not allow it: the
    // settings are read, and the splash hands over to the wizard at its first tick.
    if (!app.loaderThread) {
        app.loaderThread = CreateThread(nullptr, 0, ScriptLoaderThread, hwnd, 0, nullptr);
    }
    if (!app.loaderThread) {
        FatalStartupError(kStartFailed);
    }
    return 1;
}

LRESULT OnPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    PaintSplash(dc, AppSettings().preparingText, AppSettings().waitText);
    return EndPaint(hwnd, &ps);
}

void OnTimer(HWND hwnd, UINT_PTR id) {
    if (id != kTickTimer) {
        return;
    }
    ProcessState& app = Process();
    if (ScopedWindowDC dc(hwnd); dc.get()) {
        PaintSplashBar(dc.get(), Package().startupProgress.load());
    }
    GetExitCodeThread(app.loaderThread, &app.loaderExitCode);
    if (app.loaderExitCode == STILL_ACTIVE) {
        return;
    }
    KillTimer(hwnd, kTickTimer);
    if (!SystemCheckPassed(hwnd)) {
        PostQuitMessage(0);
        return;
    }
    HandOver(hwnd);
}

}  // namespace

LRESULT CALLBACK ControllerWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            return OnCreate(hwnd);
        case WM_PAINT:
            return OnPaint(hwnd);
        case WM_TIMER:
            OnTimer(hwnd, wParam);
            return 0;
        case WM_CLOSE:
            // From another program: the splash goes when the start-up hands over, and not
            // before, or the process would wait for a wizard that no one opens.
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace nuvex
