#include "install_flow.h"

#include <atomic>

#include "exit_codes.h"
#include "install_rules.h"
#include "install_state.h"
#include "package_state.h"
#include "process_state.h"
#include "wizard_shared.h"

namespace nuvex {

namespace {
std::atomic<HANDLE> g_packageFile{nullptr};
// Written by the progress window before it starts the install thread.
HWND g_statusLine = nullptr;
char g_errorReport[kErrorReportSize];
}  // namespace

namespace {
std::atomic<int> g_exitCode{kExitInstalled};

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
    g_exitCode.compare_exchange_strong(expected, code);
}

int RecordedExitCode() { return g_exitCode.load(); }

namespace {
// Written by the install thread only, read after it has ended.
uint64_t g_bytesWritten = 0;
}  // namespace

void AddBytesWritten(uint64_t bytes) { g_bytesWritten += bytes; }
uint64_t BytesWritten() { return g_bytesWritten; }

namespace {
enum CancelState : int { kCancelOpen = 0, kCancelRequested = 1, kCancelClosed = 2 };
InstallState g_install;
}  // namespace

InstallState& Installation() { return g_install; }

bool CancelRequested() { return Installation().cancelFlag.load() == kCancelRequested; }

bool RequestCancel() {
    int expected = kCancelOpen;
    return Installation().cancelFlag.compare_exchange_strong(expected, kCancelRequested);
}

bool CloseCancel() {
    int expected = kCancelOpen;
    return Installation().cancelFlag.compare_exchange_strong(expected, kCancelClosed);
}

Flow ReportInstallError(const char* specificText) {
    const ProcessState& app = Process();
    const Settings& s = AppSettings();
    RecordExitCode(ExitCodeOfReport(specificText));
    SendMessageA(app.wizardWindow, kPageChangeMessage, kPageError, 1);
    ComposeErrorReport(g_errorReport, sizeof g_errorReport, s.szTextError, specificText,
                       s.szTextError1);
    SetWindowTextA(SharedWizard().bodyText, g_errorReport);
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

void SetProgress(int percent) { Installation().progressPercent.store(percent); }
void AddProgress(int amount) { Installation().progressPercent.fetch_add(amount); }

void SetStatusLineWindow(HWND statusLine) { g_statusLine = statusLine; }

void SetStatusLine(const char* text) {
    if (g_statusLine) {
        SetWindowTextA(g_statusLine, text);
    }
}

void SetPackageFile(HANDLE file) { g_packageFile.store(file); }

void ClosePackageFile() {
    HANDLE file = g_packageFile.exchange(nullptr);
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
