// The progress window of the installation: a framed window or a strip across the screen with
// the bar, the status line and Cancel. It runs the install thread and, once the thread has
// ended, gives the screen back to the wizard on its done or error page.
#include <windows.h>

#include "child_controls.h"
#include "install_flow.h"
#include "install_rules.h"
#include "install_state.h"
#include "install_thread.h"
#include "package_state.h"
#include "painters.h"
#include "process_state.h"
#include "scoped.h"
#include "shared_gdi.h"
#include "skin.h"
#include "wizard_shared.h"

namespace nuvex {

namespace {

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 50;
constexpr COLORREF kBarCaptionColour = 0x0000FFFF;  // yellow
constexpr int kBarCaptionX = 55;
constexpr int kBarCaptionY = 2;

// There is one progress window per process, made once.
struct ProgressState {
    bool barStyle = false;
    ProgressLayout layout = {};
    HANDLE thread = nullptr;
    bool released = false;  // the install thread has been let run
    HWND cancel = nullptr;
};
ProgressState g_state;

HWND CreateChild(HWND parent, const char* cls, const char* text, DWORD style, const Rect& r) {
    return CreateWindowExA(0, cls, text, style, r.x, r.y, r.width, r.height, parent, nullptr,
                           Process().instance, nullptr);
}

LRESULT OnCreate(HWND hwnd) {
    const Settings& s = AppSettings();
    g_state.barStyle = s.progressstyle == kProgressBar;
    g_state.layout = ProgressWindowLayout(g_state.barStyle, Gdi().screenWidth, Gdi().screenHeight);
    const Rect& w = g_state.layout.window;
    MoveWindow(hwnd, w.x, w.y, w.width, w.height, TRUE);

    // In bar style the status line exists but is never shown.
    const DWORD statusStyle = g_state.barStyle ? WS_CHILD : WS_CHILD | WS_VISIBLE;
    HWND status =
        CreateChild(hwnd, "STATIC", s.szInstallerPreparing, statusStyle, g_state.layout.statusLine);
    SendMessageA(status, WM_SETFONT, reinterpret_cast<WPARAM>(Font(FontId::kText)), TRUE);
    g_state.cancel = CreateChild(hwnd, "BUTTON", s.szButtonCancel,
                                 WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, g_state.layout.cancel);
    SetStatusLineWindow(status);
    Process().progressWindow = hwnd;  // the install thread's owner window, known before it starts

    // The thread is made here but let run on the first tick. The wizard posted its switch to
    // the done page before creating this window; a report that the thread sends would be
    // handled before that posted switch, so an early failure would end on the done page.
    // Timer messages come only when no posted message is waiting, so at the first tick the
    // done page is in place.
    g_state.thread =
        CreateThread(nullptr, 0, InstallThreadProc, nullptr, CREATE_SUSPENDED, nullptr);
    SetTimer(hwnd, kTickTimer, kTickMs, nullptr);
    return 0;
}

void DrawBar(HWND hwnd) {
    const Rect& bar = g_state.layout.bar;
    PaintProgressBar(hwnd, bar.x, bar.y, bar.width, bar.height,
                     Installation().progressPercent.load());
}

bool ThreadEnded() {
    if (!g_state.thread) {
        return true;
    }
    DWORD code = 0;
    // A thread whose state cannot be read is not waited for.
    return !GetExitCodeThread(g_state.thread, &code) || code != STILL_ACTIVE;
}

void TearDown(HWND hwnd) {
    const ProcessState& app = Process();
    KillTimer(hwnd, kTickTimer);
    ClosePackageFile();
    if (g_state.thread) {
        CloseHandle(g_state.thread);
        g_state.thread = nullptr;
    }
    DestroyWindow(hwnd);
    EnableWindow(app.wizardWindow, TRUE);
    ShowWindow(app.wizardWindow, SW_SHOW);
    if (AppSettings().ShowBackground && app.backgroundWindow &&
        !IsWindowVisible(app.backgroundWindow)) {
        ShowWindow(app.backgroundWindow, SW_SHOW);
    }
    // Showing the background again (here or on re-activation during the installation) puts it
    // above the hidden wizard, and Wine's SetForegroundWindow leaves the z-order alone when
    // the wizard is already the active window: raise it explicitly.
    BringWindowToTop(app.wizardWindow);
    SetForegroundWindow(app.wizardWindow);
}

void OnTimer(HWND hwnd, UINT_PTR id) {
    if (id != kTickTimer) {
        return;
    }
    if (!g_state.released) {
        g_state.released = true;
        if (g_state.thread) {
            ResumeThread(g_state.thread);
        } else {
            // No thread to wait for: the installation cannot run at all.
            ReportInstallError(AppSettings().szErrorNEM);
        }
    }
    if (ThreadEnded()) {
        TearDown(hwnd);
        return;
    }
    DrawBar(hwnd);
}

void OnCommand(HWND control) {
    const ProcessState& app = Process();
    // A second click, or one after the installation has passed its last cancel check, does
    // nothing.
    if (!control || control != g_state.cancel || !RequestCancel()) {
        return;
    }
    // The switch goes to the page after the done page, the error page. Once a report has put
    // the wizard there, a further switch would land on the spare page, so none is made. A
    // click sent by another program can come before the wizard has handled its own posted
    // switch from the confirmation page to the done page; this one is posted after it.
    const int page = SharedWizard().currentPage.load();
    if (page == kPageDone || page == kPageConfirm) {
        PostMessageA(app.wizardWindow, kPageChangeMessage, kPageDone + 1, 1);
    }
}

void OnDrawItem(const DRAWITEMSTRUCT& item) {
    PaintControl(item,
                 item.hwndItem == g_state.cancel ? ControlKind::kCancelButton : ControlKind::kNone);
}

LRESULT OnPaint(HWND hwnd) {
    const Settings& s = AppSettings();
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    const Rect& bar = g_state.layout.bar;
    const int percent = Installation().progressPercent.load();
    if (g_state.barStyle) {
        PaintProgressBar(dc, bar.x, bar.y, bar.width, bar.height, percent);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, kBarCaptionColour);
        ScopedSelection font(dc, Font(FontId::kCaption));
        TextOutA(dc, kBarCaptionX, kBarCaptionY, s.szInstalling, lstrlenA(s.szInstalling));
    } else {
        const Rect& w = g_state.layout.window;
        PaintFrame(dc, w.width, w.height, true, false, s.szInstalling);
        PaintProgressBar(dc, bar.x, bar.y, bar.width, bar.height, percent);
    }
    EndPaint(hwnd, &ps);
    return 0;
}

LRESULT OnCtlColorStatic(HDC dc) {
    SelectObject(dc, Gdi().whiteBrush);
    return reinterpret_cast<LRESULT>(Gdi().whiteBrush);
}

void OnActivateApp(HWND hwnd, bool active) {
    FollowApplicationActivation(hwnd, Process().backgroundWindow, active,
                                AppSettings().ShowBackground != 0);
}

// Only the teardown destroys the window, after the install thread has ended.
void OnDestroy() {
    SetStatusLineWindow(nullptr);
    g_state.cancel = nullptr;
    Process().progressWindow = nullptr;
}

}  // namespace

LRESULT CALLBACK ProgressWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            return OnCreate(hwnd);
        case WM_TIMER:
            OnTimer(hwnd, wParam);
            return 0;
        case WM_COMMAND:
            OnCommand(reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_DRAWITEM:
            OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam));
        case WM_PAINT:
            return OnPaint(hwnd);
        case WM_ACTIVATEAPP:
            OnActivateApp(hwnd, wParam != FALSE);
            return 0;
        case WM_CLOSE:
            // Another program (a session manager, say) closing the window would leave the
            // install thread running with nothing to bring the wizard back: ignored, like
            // the close box this window does not have.
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace nuvex
