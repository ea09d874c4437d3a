// The entry procedure of the installer and uninstaller.
#pragma once

#include <windows.h>

namespace nuvex {

// Runs the program; returns the process exit code (1 when the bitmaps cannot be loaded).
int Main(HINSTANCE instance);

}  // namespace nuvex
