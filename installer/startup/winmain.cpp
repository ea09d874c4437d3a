// The GUI entry point; the command line and show-window code are not used.
#include <windows.h>

#include "entry.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return nuvex::Main(instance); }
