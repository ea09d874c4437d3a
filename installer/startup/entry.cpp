// The entry procedure: picks installer or uninstaller mode by the executable's file name,
// sets up the shared resources, opens the first window and runs the only message loop.
#include <windows.h>

#include "entry.h"

#include "loader_thread.h"
#include "numbered_keys.h"
#include "package_state.h"
#include "process_state.h"
#include "resources.h"
#include "settings_reader.h"
#include "silent_run.h"
#include "system_libraries.h"
#include "text_rules.h"
#include "uninstaller_cleanup.h"

namespace nuvex {

namespace {

constexpr char kUninstallLogMissing[] =
    "Fatal error: Reading uninst.ini file failed.\n\nNuvex uninstaller cannot continue.";
constexpr char kWindowFailed[] = "Generic error: The installer cannot start!";

// Reads the three texts of the uninstaller from uninst.ini beside the executable and opens
// the uninstaller window. False when the log cannot be opened.
bool StartUninstaller(const char* modulePath) {
    ProcessState& app = Process();
    const char* scriptPath = Package().scriptPath;
    Settings& s = AppSettings();
    if (!UseUninstallLog(modulePath)) {
        return false;
    }
    ReadTextSetting(kLogSection, kLogBodyText, "", s.szTextUninst, sizeof s.szTextUninst,
                    scriptPath);
    ReadTextSetting(kLogSection, kLogLabelText, "", s.szLabelUninst, sizeof s.szLabelUninst,
                    scriptPath);
    ReadTextSetting(kLogSection, kLogButtonText, "", s.szButtonUnInstall,
                    sizeof s.szButtonUnInstall, scriptPath);
    app.uninstallerWindow = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_TOPMOST, kUninstallerClass,
                                            "Nuvex Uninstaller", WS_POPUP | WS_VISIBLE | WS_SYSMENU,
                                            0, 0, 1, 1, nullptr, nullptr, app.instance, nullptr);
    if (!app.uninstallerWindow) {
        MessageBoxA(nullptr, kWindowFailed, kErrorCaption, MB_ICONERROR | MB_OK);
    }
    return true;
}

void StartInstaller() {
    ProcessState& app = Process();
    app.controllerWindow =
        CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kControllerClass, kProductTitle,
                        WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, nullptr, nullptr, app.instance, nullptr);
    if (!app.controllerWindow) {
        MessageBoxA(nullptr, kWindowFailed, kErrorCaption, MB_ICONWARNING | MB_OK);
    }
}

void RunMessageLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

int Main(HINSTANCE instance) {
    ProcessState& app = Process();
    app.instance = instance;
    ResetSettings(AppSettings());
    InitSystemCommonControls();
    if (!InitResources(instance)) {
        return 1;
    }

    char modulePath[256] = {};
    GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
    modulePath[sizeof modulePath - 1] = '\0';

    // Only a script (or log) with unattended=true lets the switches count; otherwise the run
    // goes on as if there were none.
    const CommandLine args = ParseCommandLine(SkipProgramName(GetCommandLineA()));
    const bool uninstaller = IsUninstallerPath(modulePath);
    if (args.silent) {
        const int code =
            uninstaller ? RunSilentUninstall(modulePath, args) : RunSilentInstall(args);
        if (code != kNotSilent) {
            ReleaseResources(instance);
            ReleaseScriptCopy();
            if (uninstaller) {
                StartUninstallerCleanup();
            }
            return code;
        }
    }

    bool windowOpen = true;
    if (uninstaller) {
        if (!StartUninstaller(modulePath)) {
            MessageBoxA(nullptr, kUninstallLogMissing, kErrorCaption, MB_ICONERROR | MB_OK);
            windowOpen = false;
        } else {
            windowOpen = app.uninstallerWindow != nullptr;
        }
    } else {
        StartInstaller();
        windowOpen = app.controllerWindow != nullptr;
    }
    if (windowOpen) {
        RunMessageLoop();
    }
    ReleaseResources(instance);
    ReleaseScriptCopy();
    if (uninstaller) {
        StartUninstallerCleanup();
    }
    return 0;
}

}  // namespace nuvex
