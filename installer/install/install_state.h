// What the installation's parts share with the install thread (install_flow.h gives the
// operations on it). Which thread writes what is noted at each field.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "exit_codes.h"
#include "install_rules.h"

namespace nuvex {

struct InstallState {
    // Written by the install thread, read by the progress window's timer and paint.
    std::atomic<int> progressPercent{0};
    // Set by the progress window's Cancel, closed by the install thread.
    std::atomic<int> cancelFlag{0};
    // The first failure of a silent installation, recorded by the install thread.
    std::atomic<int> exitCode{kExitInstalled};
    // The read handle on the running executable: opened by the extraction, closed there or,
    // after an early end, by the progress window once the thread has ended.
    std::atomic<HANDLE> packageFile{nullptr};
    // Written by the progress window before it starts the install thread.
    HWND statusLine = nullptr;
    // Install thread only; read after it has ended.
    uint64_t bytesWritten = 0;
    char errorReport[kErrorReportSize] = {};
};

InstallState& Installation();

}  // namespace nuvex
