#include "resources.h"

#include "resource_ids.h"
#include "shared_gdi.h"

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

struct FontInfo {
    int height;
    int weight;
    BOOL italic;
};

const FontInfo kFonts[] = {
    {-18, 700, TRUE},   // caption
    {-11, 500, FALSE},  // text
    {-9, 400, FALSE},   // small
    {-48, 700, FALSE},  // large
};

// Load order of the bitmaps.
const int kBitmapIds[] = {
    IDB_LOGO,           IDB_CAPTION_BAND,     IDB_EDGE_TOP,           IDB_EDGE_BOTTOM,
    IDB_EDGE_LEFT,      IDB_EDGE_RIGHT,       IDB_CORNER_TOP_LEFT,    IDB_CORNER_TOP_RIGHT,
    IDB_CORNER_BOTTOM_LEFT, IDB_CORNER_BOTTOM_RIGHT, IDB_SEPARATOR,   IDB_BUTTON_NORMAL,
    IDB_BUTTON_PRESSED, IDB_CLOSE_NORMAL,     IDB_CLOSE_PRESSED,      IDB_RESULT_CROSS,
    IDB_RESULT_CHECK,   IDB_BACKGROUND_STRIP,
};
constexpr int kBitmapCount = sizeof kBitmapIds / sizeof kBitmapIds[0];

HFONT g_fonts[static_cast<int>(FontId::kCount)];
HBITMAP g_bitmaps[kBitmapCount];

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
    for (int i = 0; i < static_cast<int>(FontId::kCount); ++i) {
        g_fonts[i] = CreateFontA(kFonts[i].height, 0, 0, 0, kFonts[i].weight, kFonts[i].italic,
                                 FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 PROOF_QUALITY, DEFAULT_PITCH | FF_SWISS, "Verdana");
    }
    bool allLoaded = true;
    for (int i = 0; i < kBitmapCount; ++i) {
        g_bitmaps[i] = LoadBitmapA(instance, MAKEINTRESOURCEA(kBitmapIds[i]));
        allLoaded = allLoaded && g_bitmaps[i] != nullptr;
    }
    return allLoaded;
}

void ReleaseResources(HINSTANCE instance) {
    for (HFONT& f : g_fonts) {
        if (f) {
            DeleteObject(f);
            f = nullptr;
        }
    }
    UnregisterClassA(kControllerClass, instance);
    UnregisterClassA(kWizardClass, instance);
    UnregisterClassA(kBackgroundClass, instance);
    for (HBITMAP& b : g_bitmaps) {
        if (b) {
            DeleteObject(b);
            b = nullptr;
        }
    }
}

HFONT Font(FontId id) { return g_fonts[static_cast<int>(id)]; }

HBITMAP Bitmap(int resourceId) {
    for (int i = 0; i < kBitmapCount; ++i) {
        if (kBitmapIds[i] == resourceId) {
            return g_bitmaps[i];
        }
    }
    return nullptr;
}

}  // namespace nuvex
