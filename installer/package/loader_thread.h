// The script loader thread: finds the script inside the executable, copies it to the
// temporary folder, reads the settings and paces the splash. Its failures end the process.
#pragma once

#include <windows.h>

namespace nuvex {

// `splashWindow`: the controller window, redrawn as the splash lines are read; nullptr for a
// silent request.
DWORD WINAPI ScriptLoaderThread(LPVOID splashWindow);

// Message box in the style of the start-up errors, then the process ends with code 0.
[[noreturn]] void FatalStartupError(const char* text);

// Closes and deletes the script copy; nothing when there is none. Called as the process
// ends: the copy's name is this process's own, so nothing else would ever remove it.
void ReleaseScriptCopy();

}  // namespace nuvex
