// Installs a package through its real wizard and measures the installation, for
// bench/install-benchmark.sh.
//
//   install_driver SETUP.EXE
//
// The package's script must lead from the introduction straight to the confirmation page
// (no middle pages) with the captions Next, Install and Done and the done heading "Done".
// Prints "install_ms=N peak_working_set=N": the time from the Install press until the
// wizard is back on its done page, and the installer's peak working set read just then.
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

}  // namespace
}  // namespace nuvex::test

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: install_driver SETUP.EXE\n");
        return 2;
    }
    return nuvex::test::Run(argv[1]);
}
