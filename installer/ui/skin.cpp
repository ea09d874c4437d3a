#include "skin.h"

#include "resource_ids.h"

namespace nuvex {

namespace {

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
    IDB_LOGO,
    IDB_CAPTION_BAND,
    IDB_EDGE_TOP,
    IDB_EDGE_BOTTOM,
    IDB_EDGE_LEFT,
    IDB_EDGE_RIGHT,
    IDB_CORNER_TOP_LEFT,
    IDB_CORNER_TOP_RIGHT,
    IDB_CORNER_BOTTOM_LEFT,
    IDB_CORNER_BOTTOM_RIGHT,
    IDB_SEPARATOR,
    IDB_BUTTON_NORMAL,
    IDB_BUTTON_PRESSED,
    IDB_CLOSE_NORMAL,
    IDB_CLOSE_PRESSED,
    IDB_RESULT_CROSS,
    IDB_RESULT_CHECK,
    IDB_BACKGROUND_STRIP,
};
constexpr int kBitmapCount = sizeof kBitmapIds / sizeof kBitmapIds[0];

HFONT g_fonts[static_cast<int>(FontId::kCount)];
HBITMAP g_bitmaps[kBitmapCount];

}  // namespace

bool LoadSkin(HINSTANCE instance) {
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

void ReleaseSkin() {
    for (HFONT& f : g_fonts) {
        if (f) {
            DeleteObject(f);
            f = nullptr;
        }
    }
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
