// Installs a package through its real wizard and measures the installation, for
// bench/install-benchmark.sh.
//
//   install_driver SETUP.EXE
//   install_driver --uninstall UNINST.EXE
//
// The package's script must lead from the introduction straight to the confirmation page
// (no middle pages) with the captions Next, Install and Done and the done heading "Done".
// Prints "install_ms=N peak_working_set=N": the time from the Install press until the
// wizard is back on its done page, and the installer's peak working set read just then.
// With --uninstall: presses Remove (its caption "Remove") in the uninstaller's window and
// prints "uninstall_ms=N", the time from the press until the process has ended.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "driver.h"

namespace nuvex::test {
namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "install_driver: %s\n", what);
    return 1;
}

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool ShowsText(HWND window, const char* text) {
    for (HWND child : Children(window)) {
        if (ClassName(child) == "Static" && IsWindowVisible(child) && WindowText(child) == text) {
            return true;
        }
    }
    return false;
}

int Run(const char* exe) {
    constexpr DWORD kLong = 30 * 60 * 1000;  // the large corpora take a while under emulation
    Process installer = Launch(exe);
    HWND wizard = WaitForWindow(installer.Id(), "WizardWindow", kDefaultTimeoutMs, true);
    if (!wizard) {
        return Fail("no wizard");
    }
    HWND next = WaitForChild(wizard, "Button", "Next");
    if (!next) {
        return Fail("no Next button");
    }
    Click(next);
    HWND install = WaitForChild(wizard, "Button", "Install");
    if (!install) {
        return Fail("no confirmation page");
    }
    const double start = Now();
    Click(install);
    // The progress window appears at once; the wizard comes back when the thread has ended.
    WaitForWindow(installer.Id(), "ProgressWindow", 10000);
    const bool back = WaitUntil(
        [&] {
            return FindProcessWindow(installer.Id(), "ProgressWindow") == nullptr &&
                   IsWindowVisible(wizard) && ShowsText(wizard, "Done");
        },
        kLong);
    const double elapsed = Now() - start;
    if (!back) {
        return Fail("the installation did not reach the done page");
    }
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(installer.Handle(), &counters, sizeof counters);
    std::printf("install_ms=%.0f peak_working_set=%lu\n", elapsed,
                static_cast<unsigned long>(counters.PeakWorkingSetSize));
    std::fflush(stdout);
    Click(WaitForChild(wizard, "Button", "Done"));
    DWORD code = 1;
    return installer.WaitForExit(&code) && code == 0 ? 0 : Fail("the installer did not end");
}

int RunUninstaller(const char* exe) {
    constexpr DWORD kLong = 30 * 60 * 1000;
    Process uninstaller = Launch(exe);
    HWND window = WaitForWindow(uninstaller.Id(), "UninstallerWindow", kDefaultTimeoutMs, true);
    HWND remove = window ? WaitForChild(window, "Button", "Remove") : nullptr;
    if (!remove) {
        return Fail("no uninstaller window with Remove");
    }
    const double start = Now();
    Click(remove);
    DWORD code = 1;
    if (!uninstaller.WaitForExit(&code, kLong) || code != 0) {
        return Fail("the uninstaller did not end");
    }
    std::printf("uninstall_ms=%.0f\n", Now() - start);
    std::fflush(stdout);
    return 0;
}

}  // namespace
}  // namespace nuvex::test

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--uninstall") {
        return nuvex::test::RunUninstaller(argv[2]);
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: install_driver SETUP.EXE | --uninstall UNINST.EXE\n");
        return 2;
    }
    return nuvex::test::Run(argv[1]);
}
