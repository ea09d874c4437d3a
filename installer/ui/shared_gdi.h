// Drawing objects shared by every window. They are made during static initialisation, before
// WinMain runs, and live until the process ends.
#pragma once

#include <windows.h>

namespace nuvex {

struct SharedGdi {
    HBRUSH whiteBrush;
    HBRUSH blackBrush;
    HPEN nullPen;
    int screenWidth;  // taken once; display mode changes are not followed
    int screenHeight;
};

const SharedGdi& Gdi();

}  // namespace nuvex
