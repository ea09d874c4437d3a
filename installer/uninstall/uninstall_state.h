// What the uninstaller window and its removal thread share.
#pragma once

#include <windows.h>

#include <atomic>

namespace nuvex {

struct UninstallState {
    // "uninstallreg" of the log: the frame's caption and the registry key to delete.
    char productKey[2048] = {};
    HANDLE thread = nullptr;
    // Written by the thread, read by the window's timer.
    std::atomic<int> percent{0};
    // The window's own: its buttons, told apart for the control painter, and the bar's
    // percentage last drawn. Main thread only.
    HWND removeButton = nullptr;
    HWND closeBox = nullptr;
    int lastDrawn = 0;
    // Set as the thread's last step: the removal ran to its end (not cut off by the close box).
    std::atomic<bool> finished{false};
};

UninstallState& Uninstall();

DWORD WINAPI UninstallThreadProc(LPVOID);

}  // namespace nuvex
