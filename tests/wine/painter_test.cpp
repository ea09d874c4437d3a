// The painters draw into a memory bitmap; the pixels are read back and compared with the
// bitmap pieces they were made from, whose own colours are checked first.
#include <gtest/gtest.h>
#include <windows.h>

#include "canvas.h"
#include "painters.h"
#include "resource_ids.h"
#include "resources.h"
#include "splash_painter.h"

namespace nuvex::test {
namespace {

constexpr COLORREF kSentinel = RGB(1, 2, 3);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kDarkBlue = RGB(0, 0, 127);  // caption shadow, button text
constexpr COLORREF kBarLight = RGB(166, 166, 255);

// Copies resource bitmap `id` to the canvas's top-left corner.
void Draw(Canvas& canvas, int id) {
    HDC mem = CreateCompatibleDC(canvas.dc());
    HGDIOBJ old = SelectObject(mem, Bitmap(id));
    BitBlt(canvas.dc(), 0, 0, canvas.width(), canvas.height(), mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

COLORREF BitmapPixel(int id, int x, int y) {
    Canvas canvas(x + 1, y + 1, kSentinel);
    Draw(canvas, id);
    return canvas.At(x, y);
}

class Painters : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(InitResources(GetModuleHandleA(nullptr))); }
};

// The generated pictures that the painters copy 1:1, with colours at their ends.
TEST_F(Painters, BitmapsHaveTheirSizesAndColours) {
    struct Case {
        int id, width, height;
        std::vector<std::pair<POINT, COLORREF>> probes;
    };
    const Case cases[] = {
        {IDB_CLOSE_NORMAL, 21, 21, {{{10, 10}, kWhite}}},
        {IDB_RESULT_CROSS, 65, 85, {{{0, 0}, kWhite}, {{32, 42}, kBlack}}},
        {IDB_RESULT_CHECK, 80, 85, {{{0, 0}, kWhite}, {{31, 62}, kBlack}}},
        {IDB_BACKGROUND_STRIP, 256, 1, {{{0, 0}, kBlue}, {{255, 0}, kBlack}}},
        {IDB_CAPTION_BAND, 437, 1, {{{0, 0}, RGB(66, 66, 255)}, {{436, 0}, RGB(206, 206, 255)}}},
        {IDB_SEPARATOR, 325, 2, {{{0, 1}, kWhite}, {{324, 1}, kBlue}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        BITMAP info = {};
        ASSERT_TRUE(GetObjectA(Bitmap(c.id), sizeof info, &info));
        EXPECT_EQ(info.bmWidth, c.width);
        EXPECT_EQ(info.bmHeight, c.height);
        Canvas picture(c.width, c.height, kSentinel);
        Draw(picture, c.id);
        for (const auto& [at, colour] : c.probes) {
            EXPECT_EQ(picture.At(at.x, at.y), colour) << "at " << at.x << "," << at.y;
        }
    }
}

// The wizard's frame with logo and separator, and the splash's without. The caption's pixels
// are those of its text drawn alone at (55, 2) beside the logo or (5, 2) without; the
// shadow's are the same moved two right and one down, wherever the caption leaves them clear.
// Only fully covered pixels take the pure colours, so smoothed glyphs pass too.
TEST_F(Painters, FramePiecesAndTheCaptionShadow) {
    const COLORREF yellow = RGB(255, 255, 0);
    for (const bool wizard : {true, false}) {
        const int w = wizard ? 500 : 190, h = wizard ? 200 : 80;
        SCOPED_TRACE(w);
        Canvas canvas(w + 10, h + 10, kWhite), alone(w, 40, kWhite);
        PaintFrame(canvas.dc(), w, h, wizard, wizard, "Wg");
        for (int d = 0; d < 4; ++d) {
            EXPECT_EQ(canvas.At(d, d), BitmapPixel(IDB_CORNER_TOP_LEFT, d, d));
            EXPECT_EQ(canvas.At(w - 5 + d, h - 5 + d), BitmapPixel(IDB_CORNER_BOTTOM_RIGHT, d, d));
            EXPECT_EQ(canvas.At(w / 2, d), BitmapPixel(IDB_EDGE_TOP, 0, d));
            EXPECT_EQ(canvas.At(w / 2, h - 4 + d), BitmapPixel(IDB_EDGE_BOTTOM, 0, d));
            EXPECT_EQ(canvas.At(d, h / 2 + 20), BitmapPixel(IDB_EDGE_LEFT, d, 0));
            EXPECT_EQ(canvas.At(w - 4 + d, h / 2 + 20), BitmapPixel(IDB_EDGE_RIGHT, d, 0));
        }
        EXPECT_EQ(canvas.At(w + 2, h / 2), kWhite);
        EXPECT_EQ(canvas.At(w / 2, h + 2), kWhite);
        // Caption band: 21 rows from y 4, from x 59 beside the logo or x 4 without.
        const int bandLeft = wizard ? 59 : 4;
        EXPECT_EQ(canvas.At(bandLeft, 24), BitmapPixel(IDB_CAPTION_BAND, 0, 0));
        EXPECT_EQ(canvas.At(w - 5, 4), BitmapPixel(IDB_CAPTION_BAND, 436, 0));
        EXPECT_EQ(canvas.At(bandLeft + 10, 25), kWhite);
        EXPECT_EQ(canvas.At(58, 58), wizard ? BitmapPixel(IDB_LOGO, 54, 54) : kWhite);
        // Separator, 325 x 2 at (w - 340, h - 45).
        if (wizard) {
            EXPECT_EQ(canvas.At(w - 340, h - 44), BitmapPixel(IDB_SEPARATOR, 0, 1));
            EXPECT_EQ(canvas.At(w - 16, h - 45), BitmapPixel(IDB_SEPARATOR, 324, 0));
        }
        SelectObject(alone.dc(), Font(FontId::kCaption));
        SetBkMode(alone.dc(), TRANSPARENT);
        SetTextColor(alone.dc(), yellow);
        TextOutA(alone.dc(), wizard ? 55 : 5, 2, "Wg", 2);
        int wrong = 0, shadow = 0;
        for (int y = 1; y < 40; ++y) {
            for (int x = 2; x < 150; ++x) {
                const COLORREF got = canvas.At(x, y);
                const bool caption = alone.At(x, y) == yellow;
                const bool moved = alone.At(x - 2, y - 1) == yellow && alone.At(x, y) == kWhite;
                shadow += got == kDarkBlue;
                wrong += (got == yellow) != caption || (got == kDarkBlue) != moved;
            }
        }
        EXPECT_EQ(wrong, 0) << "pixels off the caption or its shadow";
        EXPECT_GT(shadow, 10) << "caption shadow missing";
    }
}

// The splash at 50 %: the frame with its caption, the preparing line from (8, 26), the wait
// line ending at (184, 74), and the bar at (20, 40), 150 x 20, with its outline and 75
// pixels of fill.
TEST_F(Painters, SplashShowsCaptionLinesAndBar) {
    Canvas splash(190, 80, kWhite);
    PaintSplash(splash.dc(), "Preparing Nuvex Installer", "Please wait...");
    PaintSplashBar(splash.dc(), 50);
    EXPECT_EQ(splash.At(1, 1), BitmapPixel(IDB_CORNER_TOP_LEFT, 1, 1));
    EXPECT_GT(splash.Count(RGB(255, 255, 0), 5, 2, 186, 25), 20) << "caption";
    EXPECT_GT(splash.Count(kBlack, 8, 26, 186, 40), 20) << "preparing line";
    EXPECT_EQ(splash.Count(kBlack, 4, 25, 8, 40) + splash.Count(kBlack, 4, 25, 186, 26), 0);
    EXPECT_GT(splash.Count(kBlack, 4, 61, 184, 74), 20) << "wait line";
    EXPECT_EQ(splash.Count(kBlack, 184, 61, 186, 76) + splash.Count(kBlack, 4, 74, 186, 76), 0);
    const std::pair<POINT, COLORREF> bar[] = {{{20, 40}, kBarLight}, {{171, 60}, kBarLight},
                                              {{21, 41}, kBlue},     {{93, 59}, kBlue},
                                              {{94, 50}, kBarLight}, {{95, 50}, kWhite}};
    for (const auto& [at, colour] : bar) {
        EXPECT_EQ(splash.At(at.x, at.y), colour) << "at " << at.x << "," << at.y;
    }
}

struct TextPixel {
    int x, y;
    COLORREF colour;
};

// Paints `button`, known as the control in `slot` (nowhere when null), 100 x 25 in `state`,
// and returns the pixels that differ from bitmap `face` (none when 0).
std::vector<TextPixel> PaintButton(HWND button, HWND ControlHandles::*slot, UINT state, int face,
                                   int result) {
    Controls() = ControlHandles{};
    Controls().resultFlag = result;
    if (slot) {
        Controls().*slot = button;
    }
    Canvas canvas(100, 25, kSentinel), expected(100, 25, kSentinel);
    if (face) {
        Draw(expected, face);
    }
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.hwndItem = button;
    item.hDC = canvas.dc();
    item.rcItem = {0, 0, 100, 25};
    item.itemState = state;
    SetTextColor(canvas.dc(), RGB(9, 9, 9));
    PaintControl(item);
    Controls() = ControlHandles{};
    std::vector<TextPixel> pixels;
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 100; ++x) {
            if (canvas.At(x, y) != expected.At(x, y)) {
                pixels.push_back({x, y, canvas.At(x, y)});
            }
        }
    }
    return pixels;
}

using Controls_ = Painters;

// Controls are told apart by their handles alone: push buttons take a text colour by state
// and group, the close box and the result picture their bitmaps, a stranger nothing. The text
// is centred with its cell ending 7 pixels below the middle, so "Iii", without descenders, has
// its lowest pixels the font's descent above that; pressed, every text pixel moves one right
// and one down.
TEST_F(Controls_, EachControlByItsHandleAndState) {
    struct Case {
        HWND ControlHandles::*slot;
        UINT state;
        int result;
        int face;
        COLORREF text;  // 0: nothing but the face
    };
    const Case cases[] = {
        {&ControlHandles::next, 0, 0, IDB_BUTTON_NORMAL, kDarkBlue},
        {&ControlHandles::back, ODS_SELECTED, 0, IDB_BUTTON_PRESSED, kDarkBlue},
        {&ControlHandles::next, ODS_FOCUS, 0, IDB_BUTTON_NORMAL, RGB(0, 0, 187)},
        {&ControlHandles::next, ODS_DISABLED, 0, IDB_BUTTON_NORMAL, RGB(9, 9, 9)},  // kept
        {&ControlHandles::cancel, ODS_FOCUS, 0, IDB_BUTTON_NORMAL, kDarkBlue},
        {&ControlHandles::cancel, ODS_DISABLED, 0, IDB_BUTTON_NORMAL, RGB(127, 127, 127)},
        {&ControlHandles::closeBox, 0, 0, IDB_CLOSE_NORMAL, 0},
        {&ControlHandles::closeBox, ODS_SELECTED, 0, IDB_CLOSE_PRESSED, 0},
        {&ControlHandles::resultPicture, ODS_SELECTED, 1, IDB_RESULT_CROSS, 0},
        {nullptr, ODS_SELECTED | ODS_FOCUS, 0, 0, 0},
    };
    HWND button = CreateWindowExA(0, "BUTTON", "Iii", WS_POPUP | BS_OWNERDRAW, 0, 0, 100, 25,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    Canvas probe(1, 1, kSentinel);
    SelectObject(probe.dc(), Font(FontId::kText));
    TEXTMETRICA metrics = {};
    ASSERT_TRUE(GetTextMetricsA(probe.dc(), &metrics));
    std::vector<TextPixel> normal;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << &c - cases);
        const std::vector<TextPixel> pixels = PaintButton(button, c.slot, c.state, c.face, c.result);
        if (!c.text) {
            EXPECT_TRUE(pixels.empty()) << pixels.size() << " pixels off the face";
            continue;
        }
        const int offset = (c.state & ODS_SELECTED) ? 1 : 0;
        // Text of the same colour has the same pixels, moved when pressed.
        const bool same = c.text == cases[0].text;
        normal = normal.empty() ? pixels : normal;
        ASSERT_TRUE(!same || pixels.size() == normal.size());
        int exact = 0, left = 100, right = 0, bottom = 0;
        for (size_t i = 0; i < pixels.size(); ++i) {
            exact += pixels[i].colour == c.text;
            left = std::min(left, pixels[i].x);
            right = std::max(right, pixels[i].x + 1);
            bottom = std::max(bottom, pixels[i].y + 1);
            EXPECT_TRUE(!same || (pixels[i].x - normal[i].x == offset &&
                                  pixels[i].y - normal[i].y == offset)) << i;
        }
        EXPECT_GT(exact, 3);
        EXPECT_EQ(bottom, 12 + 7 + offset - metrics.tmDescent);
        EXPECT_NEAR((left + right) / 2.0, 50 + offset, 1.0);
    }
    DestroyWindow(button);
}

}  // namespace
}  // namespace nuvex::test
