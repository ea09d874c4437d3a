#include "install_flow.h"

#include "exit_codes.h"
#include "install_rules.h"
#include "install_state.h"
#include "package_state.h"
#include "process_state.h"
#include "wizard_shared.h"

namespace nuvex {

namespace {
InstallState g_install;
}  // namespace

InstallState& Installation() { return g_install; }

namespace {
// The failure reports name their cause only by the text they show.
int ExitCodeOfReport(const char* specificText) {
    const Settings& s = AppSettings();
    if (specificText == s.szErrorNES) {
        return kExitNoSpace;
    }
    if (specificText == s.szErrorDIR) {
        return kExitFolder;
    }
    if (specificText == s.szErrorNEM) {
        return kExitNoMemory;
    }
    return kExitDamaged;  // szErrorCRC
}
}  // namespace

void RecordExitCode(int code) {
    int expected = kExitInstalled;
    g_install.exitCode.compare_exchange_strong(expected, code);
}

int RecordedExitCode() { return g_install.exitCode.load(); }

void AddBytesWritten(uint64_t bytes) { g_install.bytesWritten += bytes; }
uint64_t BytesWritten() { return g_install.bytesWritten; }

namespace {
enum CancelState : int { kCancelOpen = 0, kCancelRequested = 1, kCancelClosed = 2 };
}  // namespace

bool CancelRequested() { return g_install.cancelFlag.load() == kCancelRequested; }

bool RequestCancel() {
    int expected = kCancelOpen;
    return g_install.cancelFlag.compare_exchange_strong(expected, kCancelRequested);
}

bool CloseCancel() {
    int expected = kCancelOpen;
    return g_install.cancelFlag.compare_exchange_strong(expected, kCancelClosed);
}

Flow ReportInstallError(const char* specificText) {
    const ProcessState& app = Process();
    const Settings& s = AppSettings();
    RecordExitCode(ExitCodeOfReport(specificText));
    SendMessageA(app.wizardWindow, kPageChangeMessage, kPageError, 1);
    ComposeErrorReport(g_install.errorReport, sizeof g_install.errorReport, s.szTextError,
                       specificText, s.szTextError1);
    SetWindowTextA(SharedWizard().bodyText, g_install.errorReport);
    return Flow::kStop;
}

Flow RequestErrorPage() {
    const ProcessState& app = Process();
    // The package could not be read (or a file was given up, recorded before this).
    RecordExitCode(kExitDamaged);
    // From the done page the page after it is the error page. When a cancellation has put the
    // wizard there already, the page after it would be the spare page, so nothing is posted.
    if (SharedWizard().currentPage.load() == kPageDone) {
        PostMessageA(app.wizardWindow, kPageChangeMessage, kPageDone + 1, 1);
    }
    return Flow::kStop;
}

void SetProgress(int percent) { g_install.progressPercent.store(percent); }
void AddProgress(int amount) { g_install.progressPercent.fetch_add(amount); }

void SetStatusLineWindow(HWND statusLine) { g_install.statusLine = statusLine; }

void SetStatusLine(const char* text) {
    if (g_install.statusLine) {
        SetWindowTextA(g_install.statusLine, text);
    }
}

void SetPackageFile(HANDLE file) { g_install.packageFile.store(file); }

void ClosePackageFile() {
    HANDLE file = g_install.packageFile.exchange(nullptr);
    if (file && file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
}

bool ModulePath(char (&path)[256]) {
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        path[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace nuvex
