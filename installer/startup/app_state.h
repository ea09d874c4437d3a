// Process-wide values of the installer: what start-up sets up and every window reads.
// Values shared with a worker thread are atomics; everything else belongs to the main thread
// or is written by a worker that has ended before anyone reads it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "settings.h"

namespace nuvex {

inline constexpr char kProductTitle[] = "Nuvex 0.4 alpha";
inline constexpr char kErrorCaption[] = "Nuvex: Error";

// Sent or posted to the wizard: wParam the requested page 0..9, lParam 0 for a forward
// search over the enabled pages, anything else for a backward search.
inline constexpr UINT kPageChangeMessage = WM_USER + 1;
inline constexpr int kPageCount = 10;
enum WizardPage : int {
    kPageIntro = 0,
    kPageInfo = 1,
    kPageLicence = 2,
    kPageTarget = 3,
    kPageInstallType = 4,
    kPageCustom = 5,
    kPageConfirm = 6,
    kPageDone = 7,
    kPageError = 8,
    kPageSpare = 9,
};

struct AppState {
    HINSTANCE instance = nullptr;
    // The INI file in use: the temporary script copy, or uninst.ini in uninstaller mode.
    char scriptPath[256] = "~nuvex.tmp";

    HWND controllerWindow = nullptr;
    HWND uninstallerWindow = nullptr;
    HWND backgroundWindow = nullptr;
    HWND wizardWindow = nullptr;

    HANDLE loaderThread = nullptr;  // kept for polling, never closed
    DWORD loaderExitCode = 0;

    // Set by the loader thread.
    uint32_t scriptOffset = 0;
    uint32_t payloadBase = 0;
    std::atomic<int> startupProgress{0};

    // The wizard, as the installation sees it. The install thread reads the page and sets
    // the body text; the wizard is hidden and disabled meanwhile, so the selection and the
    // target folder (Settings::targetFolder) no longer change.
    std::atomic<int> currentPage{kPageIntro};
    HWND bodyText = nullptr;
    int componentSelection[kComponentCount] = {};  // slot installed when not 0
    HWND progressWindow = nullptr;

    // The installation: written by the install thread and the progress window's Cancel.
    std::atomic<int> progressPercent{0};
    std::atomic<int> cancelFlag{0};

    // setup.exe /S of a script with unattended=true: `silentRequested` from the command
    // line, `silent` once the loader has found the script's consent. While silent, no window
    // and no message box is shown; failures end the process with their exit code.
    bool silentRequested = false;
    std::atomic<bool> silent{false};
};

AppState& App();
Settings& AppSettings();

}  // namespace nuvex
