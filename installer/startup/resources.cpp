#include "resources.h"

#include "shared_gdi.h"
#include "skin.h"

namespace nuvex {

LRESULT CALLBACK ControllerWindowProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK WizardWindowProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK BackgroundWindowProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ProgressWindowProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK UninstallerWindowProc(HWND, UINT, WPARAM, LPARAM);

namespace {

struct ClassInfo {
    const char* name;
    WNDPROC proc;
    UINT style;
};

const ClassInfo kClasses[] = {
    {kControllerClass, ControllerWindowProc, CS_NOCLOSE},
    {kWizardClass, WizardWindowProc, CS_NOCLOSE},
    {kBackgroundClass, BackgroundWindowProc, CS_NOCLOSE},
    {kProgressClass, ProgressWindowProc, CS_NOCLOSE},
    {kUninstallerClass, UninstallerWindowProc, 0},
};

}  // namespace

bool InitResources(HINSTANCE instance) {
    for (const ClassInfo& c : kClasses) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.style = c.style;
        wc.lpfnWndProc = c.proc;
        wc.hInstance = instance;
        // The classes show the executable's own icon rather than none.
        wc.hIcon = LoadIconA(instance, "A");
        wc.hIconSm = wc.hIcon;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = Gdi().whiteBrush;
        wc.lpszClassName = c.name;
        RegisterClassExA(&wc);
    }
    return LoadSkin(instance);
}

void ReleaseResources(HINSTANCE instance) {
    ReleaseSkin();
    UnregisterClassA(kControllerClass, instance);
    UnregisterClassA(kWizardClass, instance);
    UnregisterClassA(kBackgroundClass, instance);
}

}  // namespace nuvex
