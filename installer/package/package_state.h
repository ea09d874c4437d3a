// The package being run: the script in use, where its parts lie in the executable, and its
// settings. The loader thread writes them before anyone else reads them, but for the start-up
// progress and the silent consent, which other threads read while it runs.
#pragma once

#include <atomic>
#include <cstdint>

#include "settings.h"

namespace nuvex {

// The caption of the program's error message boxes, the loader's start-up failures first.
inline constexpr char kErrorCaption[] = "Nuvex: Error";

struct PackageState {
    // The INI file in use: the temporary script copy, or uninst.ini in uninstaller mode.
    char scriptPath[256] = "~nuvex.tmp";

    uint32_t scriptOffset = 0;
    uint32_t payloadBase = 0;
    // Paced by the loader, drawn by the splash's timer.
    std::atomic<int> startupProgress{0};

    // setup.exe /S of a script with unattended=true: `silentRequested` from the command
    // line, `silent` once the loader has found the script's consent. While silent, no window
    // and no message box is shown; failures end the process with their exit code.
    bool silentRequested = false;
    std::atomic<bool> silent{false};
};

PackageState& Package();
Settings& AppSettings();

}  // namespace nuvex
