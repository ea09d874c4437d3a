#include "shared_gdi.h"

namespace nuvex {

namespace {

SharedGdi MakeSharedGdi() {
    SharedGdi g;
    g.whiteBrush = CreateSolidBrush(RGB(255, 255, 255));
    g.blackBrush = CreateSolidBrush(RGB(0, 0, 0));
    g.nullPen = CreatePen(PS_NULL, 0, RGB(0, 0, 0));
    g.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    return g;
}

const SharedGdi g_sharedGdi = MakeSharedGdi();

}  // namespace

const SharedGdi& Gdi() { return g_sharedGdi; }

}  // namespace nuvex
