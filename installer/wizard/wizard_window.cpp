// The wizard window: a 500 x 200 frameless pop-up with ten page slots, Back and Next at the
// bottom, a close box, dragging by its top strip, and the start of the installation.
#include <windows.h>

#include "child_controls.h"
#include "drag_strip.h"
#include "package_state.h"
#include "painters.h"
#include "process_state.h"
#include "resources.h"
#include "shared_gdi.h"
#include "wizard_state.h"

namespace nuvex {

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 200;
constexpr UINT_PTR kDragTimer = 2;
constexpr UINT kDragTickMs = 10;

constexpr DWORD kTextStyle = WS_CHILD | WS_VISIBLE;                     // 0x50000000
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;    // 0x5000000B
constexpr DWORD kHiddenButtonStyle = WS_CHILD | BS_OWNERDRAW;           // 0x4000000B
constexpr DWORD kPictureStyle = WS_CHILD | WS_DISABLED | BS_OWNERDRAW;  // 0x4800000B
constexpr DWORD kFieldStyle = WS_CHILD | WS_BORDER | ES_AUTOHSCROLL;    // 0x40800080

WizardState g_wizard;
DragStrip g_drag(kWidth, kHeight);

void PostPageChange(HWND hwnd, int page, bool backward) {
    PostMessageA(hwnd, kPageChangeMessage, static_cast<WPARAM>(page), backward ? 1 : 0);
}

void EndInstaller(HWND hwnd) {
    ProcessState& app = Process();
    DestroyWindow(hwnd);
    app.wizardWindow = nullptr;
    if (app.backgroundWindow) {
        DestroyWindow(app.backgroundWindow);
        app.backgroundWindow = nullptr;
    }
    PostQuitMessage(0);
}

void ShowBackground() {
    if (AppSettings().ShowBackground && Process().backgroundWindow) {
        ShowWindow(Process().backgroundWindow, SW_SHOW);
    }
}

// Next on the confirmation page. The posted page switch then puts the hidden wizard on its
// done page, where the installation's result will find it.
void StartInstallation(HWND hwnd) {
    const Settings& s = AppSettings();
    SetWindowLongA(hwnd, GWL_STYLE, WS_POPUP | WS_VISIBLE);
    ShowWindow(hwnd, SW_HIDE);
    EnableWindow(hwnd, FALSE);
    const DWORD exStyle =
        s.progressstyle == kProgressBar ? (WS_EX_TOPMOST | WS_EX_TRANSPARENT) : WS_EX_TOPMOST;
    Process().progressWindow =
        CreateWindowExA(exStyle, kProgressClass, s.szInstalling, WS_POPUP | WS_VISIBLE | WS_SYSMENU,
                        0, 0, 1, 1, nullptr, nullptr, Process().instance, nullptr);
    SetWindowTextA(g_wizard.next, s.szButtonNext);
    if (!Process().progressWindow) {
        // Nothing would ever bring the wizard back: show the error page instead.
        PostPageChange(hwnd, kPageError, true);
        EnableWindow(hwnd, TRUE);
        ShowWindow(hwnd, SW_SHOW);
    }
}

void RunLeavingAction(HWND hwnd, int page) {
    switch (page) {
        case kPageIntro:
            SetWindowTextA(g_wizard.back, AppSettings().szButtonBack);
            ShowBackground();
            BringWindowToTop(hwnd);
            break;
        case kPageTarget:
            LeaveTargetPage();
            break;
        case kPageInstallType:
            LeaveInstallTypePage();
            break;
        case kPageCustom:
            LeaveCustomPage();
            break;
        case kPageConfirm:
            StartInstallation(hwnd);
            break;
        case kPageDone:
        case kPageError:
            EndInstaller(hwnd);
            break;
        default:
            break;
    }
}

void OnNext(HWND hwnd) {
    const int page = g_wizard.shared.currentPage;
    PostPageChange(hwnd, page + 1, false);
    RunLeavingAction(hwnd, page);
}

void OnBack(HWND hwnd) {
    const int page = g_wizard.shared.currentPage;
    if (page == kPageIntro) {
        EndInstaller(hwnd);
        return;
    }
    if (page == kPageConfirm) {
        SetWindowTextA(g_wizard.next, AppSettings().szButtonNext);
    }
    PostPageChange(hwnd, page - 1, true);
    if (page != kPageConfirm) {
        RunLeavingAction(hwnd, page);
    }
}

LRESULT OnCreate(HWND hwnd) {
    const Settings& s = AppSettings();
    WizardState& c = g_wizard;
    MoveWindow(hwnd, GetSystemMetrics(SM_CXMAXIMIZED) / 2 - kWidth / 2,
               GetSystemMetrics(SM_CYMAXIMIZED) / 2 - kHeight / 2, kWidth, kHeight, TRUE);
    SetTimer(hwnd, kDragTimer, kDragTickMs, nullptr);
    InitialPageTable(s, g_wizard.pageEnabled);
    g_wizard.shared.currentPage = kPageIntro;

    g_wizard.shared.bodyText =
        CreateControl(hwnd, "STATIC", s.szTextUvod, kTextStyle, 25, 70, 450, 80, true);
    g_wizard.heading =
        CreateControl(hwnd, "STATIC", s.szLabelUvod, kTextStyle, 65, 30, 300, 30, true);
    c.next = CreateControl(hwnd, "BUTTON", s.szButtonNext, kButtonStyle, 385, 165, 100, 25, false);
    c.back =
        CreateControl(hwnd, "BUTTON", s.szButtonCancel, kButtonStyle, 270, 165, 100, 25, false);
    c.browse = CreateControl(hwnd, "BUTTON", s.szButtonBrowse, kHiddenButtonStyle, 385, 100, 100,
                             25, false);
    c.closeBox = CreateControl(hwnd, "BUTTON", "", kButtonStyle, 475, 4, 21, 21, false);
    c.resultPicture = CreateControl(hwnd, "BUTTON", "", kPictureStyle, 405, 70, 80, 85, false);
    g_wizard.field =
        CreateControl(hwnd, "EDIT", s.targetFolder, kFieldStyle, 35, 104, 340, 18, true);
    CreateChoiceControls(hwnd);
    SetFocus(c.next);
    return 0;
}

LRESULT OnPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    PaintFrame(dc, kWidth, kHeight, true, true, AppSettings().szInstallAppName);
    EndPaint(hwnd, &ps);
    return 0;
}

void OnCommand(HWND hwnd, HWND control, UINT code) {
    const WizardState& c = g_wizard;
    if (!control) {
        return;
    }
    if (control == c.next) {
        OnNext(hwnd);
    } else if (control == c.back) {
        OnBack(hwnd);
    } else if (control == c.closeBox) {
        EndInstaller(hwnd);
    } else if (control == c.browse) {
        BrowseForTarget(hwnd);
    } else if (code == BN_CLICKED) {
        for (HWND radio : g_wizard.radio) {
            if (radio && radio == control) {
                OnInstallTypeClicked(control);
            }
        }
    }
}

void OnPageChange(HWND hwnd, int requested, bool backward) {
    const int page = FindPage(g_wizard.pageEnabled, requested, backward);
    if (page >= 0) {
        ShowPage(hwnd, page);
    }
}

void OnDrawItem(const DRAWITEMSTRUCT& item) {
    const WizardState& c = g_wizard;
    const HWND h = item.hwndItem;
    ControlKind kind = ControlKind::kNone;
    if (h == c.next || h == c.back || h == c.browse) {
        kind = ControlKind::kPushButton;
    } else if (h == c.resultPicture) {
        kind = c.resultFlag ? ControlKind::kResultCross : ControlKind::kResultCheck;
    } else if (h == c.closeBox) {
        kind = ControlKind::kCloseBox;
    }
    PaintControl(item, kind);
}

// WM_CLOSE from another program (a session manager, say); the window has no close command
// of its own. The default would destroy the wizard and leave the process running without a
// window. During the installation the wizard waits, hidden, for the result and the close is
// ignored; at any other time it ends like the close box.
void OnClose(HWND hwnd) {
    if (Process().progressWindow) {
        return;
    }
    EndInstaller(hwnd);
}

// Activation follows the user between applications on the pages before the confirmation;
// from there on the installation's own windows decide.
LRESULT OnActivateApp(HWND hwnd, bool active) {
    const int page = g_wizard.shared.currentPage;
    if (page > kPageCustom) {
        return 0;
    }
    // With backgroundonok the background waits for the first page to be confirmed.
    const Settings& s = AppSettings();
    FollowApplicationActivation(hwnd, Process().backgroundWindow, active,
                                s.ShowBackground && !(s.backgroundonok && page == kPageIntro));
    return 0;
}

}  // namespace

WizardState& Wizard() { return g_wizard; }
WizardShared& SharedWizard() { return g_wizard.shared; }

LRESULT CALLBACK WizardWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            return OnCreate(hwnd);
        case WM_PAINT:
            return OnPaint(hwnd);
        case WM_DRAWITEM:
            OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
            SelectObject(reinterpret_cast<HDC>(wParam), Gdi().whiteBrush);
            return reinterpret_cast<LRESULT>(Gdi().whiteBrush);
        case WM_COMMAND:
            OnCommand(hwnd, reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            return 0;
        case WM_TIMER:
            if (wParam == kDragTimer) {
                g_drag.OnTick(hwnd);
            }
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            g_drag.OnButton(hwnd, msg == WM_LBUTTONDOWN);
            return 0;
        case WM_ACTIVATEAPP:
            return OnActivateApp(hwnd, wParam != 0);
        case WM_CLOSE:
            OnClose(hwnd);
            return 0;
        case kPageChangeMessage:
            OnPageChange(hwnd, static_cast<int>(wParam), lParam != 0);
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace nuvex
