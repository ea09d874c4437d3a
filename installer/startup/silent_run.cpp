#include "silent_run.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "exit_codes.h"
#include "install_flow.h"
#include "install_thread.h"
#include "loader_thread.h"
#include "numbered_keys.h"
#include "package_state.h"
#include "process_state.h"
#include "startup_rules.h"
#include "text_rules.h"
#include "uninstall_log_writer.h"
#include "uninstall_state.h"
#include "wizard_rules.h"
#include "wizard_shared.h"

namespace nuvex {

namespace {

bool SystemAccepted() {
    const Settings& s = AppSettings();
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    // allowbadwindows asks a person; with no one to ask, a refused system stays refused.
    return !SystemRefused(static_cast<int>(version.dwPlatformId), s.erroronwin9x != 0,
                          s.erroronwinnt != 0);
}

// The selection the wizard would start with for `type`: a preset row, or for the custom
// type the ticks the custom page shows at first (the defaults and the required slots).
bool ChooseComponents(const CommandLine& args) {
    const Settings& s = AppSettings();
    int type = InitialInstallType(s);
    if (args.type >= 0) {
        if (args.type >= kInstallTypes || !s.TypeEnabled[args.type]) {
            return false;
        }
        type = args.type;
    }
    int* selection = SharedWizard().componentSelection;
    if (type == kCustomType) {
        for (int i = 0; i < kComponentCount; ++i) {
            selection[i] = s.customDefault[i] || s.Requied[i] ? 1 : 0;
        }
    } else {
        PresetSelection(s, type, selection);
    }
    return true;
}

bool ChooseTarget(const CommandLine& args) {
    Settings& s = AppSettings();
    if (!args.hasTarget) {
        return true;
    }
    if (!IsFullPath(args.target)) {
        return false;
    }
    static_assert(sizeof s.targetFolder == kCommandLineTargetSize, "same bound as the switch");
    std::memcpy(s.targetFolder, args.target, sizeof s.targetFolder);
    ApplyDriveRootRule(s.targetFolder);
    return true;
}

bool LogSaysTrue(const char* key) {
    char value[8] = {};
    GetPrivateProfileStringA(kLogSection, key, "", value, sizeof value, Package().scriptPath);
    return ParseFlag(value);
}

}  // namespace

bool UseUninstallLog(const char* modulePath) {
    PackageState& app = Package();
    if (!UninstallLogPath(modulePath, app.scriptPath, sizeof app.scriptPath)) {
        return false;
    }
    FILE* log = std::fopen(app.scriptPath, "rb");
    if (!log) {
        return false;
    }
    std::fclose(log);
    // Read while the log exists: the removal deletes it before the clean-up is decided.
    AppSettings().removeuninstaller = LogSaysTrue(kLogRemoveUninstaller) ? 1 : 0;
    return true;
}

int RunSilentInstall(const CommandLine& args) {
    ProcessState& app = Process();
    Package().silentRequested = true;
    app.loaderThread = CreateThread(nullptr, 0, ScriptLoaderThread, nullptr, 0, nullptr);
    if (!app.loaderThread) {
        return kNotSilent;  // the controller window tries again and reports it
    }
    // The loader's failures end the process from its thread, silently once the script has
    // allowed it.
    WaitForSingleObject(app.loaderThread, INFINITE);
    GetExitCodeThread(app.loaderThread, &app.loaderExitCode);
    if (!Package().silent.load()) {
        return kNotSilent;
    }
    if (args.usageError || !ChooseComponents(args) || !ChooseTarget(args)) {
        return kExitUsage;
    }
    if (!SystemAccepted()) {
        return kExitStartup;
    }
    const Flow flow = RunInstallation();
    InstallLog().End();
    ClosePackageFile();
    if (flow == Flow::kGoOn) {
        return kExitInstalled;
    }
    const int code = RecordedExitCode();
    return code != kExitInstalled ? code : kExitDamaged;
}

int RunSilentUninstall(const char* modulePath, const CommandLine& args) {
    PackageState& app = Package();
    if (!UseUninstallLog(modulePath)) {
        return kExitStartup;
    }
    if (!LogSaysTrue(kLogUnattended)) {
        return kNotSilent;
    }
    if (args.usageError) {
        return kExitUsage;
    }
    UninstallState& u = Uninstall();
    GetPrivateProfileStringA(kLogSection, kLogProductKey, "", u.productKey, sizeof u.productKey,
                             app.scriptPath);
    UninstallThreadProc(nullptr);
    return kExitInstalled;
}

}  // namespace nuvex
