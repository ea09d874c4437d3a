// The script loader thread: finds the script inside the executable, copies it to the
// temporary folder, reads the settings and paces the splash. Its failures end the process.
#pragma once

#include <windows.h>

namespace nuvex {

DWORD WINAPI ScriptLoaderThread(LPVOID);

// Message box in the style of the start-up errors, then the process ends with code 0.
[[noreturn]] void FatalStartupError(const char* text);

}  // namespace nuvex
