// The progress window of the installation. Registered at start-up; its work arrives with the
// install thread.
#include <windows.h>

namespace nuvex {

LRESULT CALLBACK ProgressWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace nuvex
