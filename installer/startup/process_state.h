// The process: its instance and its top-level windows, which start-up makes and every part
// of the program shows, hides or sends to. Main thread, except where a field says otherwise.
#pragma once

#include <windows.h>

namespace nuvex {

inline constexpr char kProductTitle[] = "Nuvex 0.4 alpha";

struct ProcessState {
    HINSTANCE instance = nullptr;

    HWND controllerWindow = nullptr;
    HWND uninstallerWindow = nullptr;
    HWND backgroundWindow = nullptr;
    HWND wizardWindow = nullptr;
    // Made by the wizard; the install thread's owner window for its message boxes and the
    // programs it starts. The wizard is hidden and disabled while it exists.
    HWND progressWindow = nullptr;

    HANDLE loaderThread = nullptr;  // kept for polling, never closed
    DWORD loaderExitCode = 0;
};

ProcessState& Process();

}  // namespace nuvex
