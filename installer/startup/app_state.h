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
};

AppState& App();
Settings& AppSettings();

}  // namespace nuvex
