#include "uninstaller_cleanup.h"

#include <windows.h>

#include "install_flow.h"
#include "package_state.h"
#include "self_removal.h"
#include "text_rules.h"
#include "uninstall_state.h"

namespace nuvex {

namespace {

bool RemovalComplete(const char* modulePath) {
    if (!Uninstall().finished.load()) {
        return false;
    }
    char log[MAX_PATH];
    return UninstallLogPath(modulePath, log, sizeof log) &&
           GetFileAttributesA(log) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace

void StartUninstallerCleanup() {
    char modulePath[256];
    if (!AppSettings().removeuninstaller || !ModulePath(modulePath) ||
        !RemovalComplete(modulePath)) {
        return;
    }
    // The system folder as the system reports it, not %SystemRoot% from an environment the
    // caller controls; under WOW64 "System32" leads to the 32-bit programs, which is fine.
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, sizeof system);
    SelfRemovalPlan plan;
    if (length == 0 || length >= sizeof system ||
        PlanSelfRemoval(modulePath, system, &plan) != SelfRemovalResult::kReady) {
        return;
    }
    if (!SetEnvironmentVariableA(kSelfRemovalExeVariable, plan.exe) ||
        !SetEnvironmentVariableA(kSelfRemovalFolderVariable, plan.folder) ||
        !SetEnvironmentVariableA(kSelfRemovalPingVariable, plan.ping)) {
        return;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    // Its current folder is the system folder: a process standing in the target folder would
    // keep that folder from being removed. No handles are inherited.
    if (CreateProcessA(plan.program, plan.commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                       nullptr, system, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

}  // namespace nuvex
