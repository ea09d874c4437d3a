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
constexpr COLORREF kCaptionYellow = RGB(255, 255, 0);
constexpr COLORREF kDarkBlue = RGB(0, 0, 127);  // caption shadow, button text
constexpr COLORREF kBarLight = RGB(166, 166, 255);
// Not a colour: a probe that accepts any blue, whose blue channel exceeds red and green.
constexpr COLORREF kBluish = 0x01000000;

// Copies resource bitmap `id` to the canvas's top-left corner.
void Draw(Canvas& canvas, int id) {
    HDC mem = CreateCompatibleDC(canvas.dc());
    HGDIOBJ old = SelectObject(mem, Bitmap(id));
    BitBlt(canvas.dc(), 0, 0, canvas.width(), canvas.height(), mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

// A pixel of one of the loaded resource bitmaps.
COLORREF BitmapPixel(int id, int x, int y) {
    Canvas canvas(x + 1, y + 1, kSentinel);
    Draw(canvas, id);
    return canvas.At(x, y);
}

// An expected colour at a place.
struct Probe {
    int x, y;
    COLORREF colour;
};

bool Bluish(COLORREF c) {
    return GetBValue(c) > GetRValue(c) && GetBValue(c) > GetGValue(c);
}

class Painters : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(InitResources(GetModuleHandleA(nullptr))); }
};

// Sizes and colours of the bitmaps themselves. A ramp runs along each row from its first to its
// last pixel, every channel moving at most one step per pixel and never back; with 256 pixels
// from blue to black that is exactly one step of blue per pixel.
TEST_F(Painters, BitmapsHaveTheirSizesAndColours) {
    struct Case {
        int id, width, height;
        bool ramp;
        std::vector<Probe> probes;
    };
    const Case cases[] = {
        {IDB_BUTTON_NORMAL, 100, 25, false, {{50, 12, kBluish}}},
        {IDB_BUTTON_PRESSED, 100, 25, false, {{50, 12, kBluish}}},
        {IDB_CLOSE_NORMAL, 21, 21, false, {{10, 10, kWhite}, {10, 2, kBluish}}},
        {IDB_CLOSE_PRESSED, 21, 21, false, {{11, 11, kWhite}, {10, 2, kBluish}}},
        {IDB_RESULT_CROSS, 65, 85, false, {{0, 0, kWhite}, {32, 42, kBlack}}},
        {IDB_RESULT_CHECK, 80, 85, false, {{0, 0, kWhite}, {31, 62, kBlack}}},
        {IDB_BACKGROUND_STRIP, 256, 1, true, {{0, 0, kBlue}, {255, 0, kBlack}}},
        {IDB_LOGO, 55, 55, false, {{0, 0, kBluish}, {0, 54, kWhite}}},
        {IDB_CAPTION_BAND, 437, 1, true, {{0, 0, RGB(66, 66, 255)}, {436, 0, RGB(206, 206, 255)}}},
        {IDB_EDGE_TOP, 1, 4, false, {}},
        {IDB_EDGE_BOTTOM, 1, 4, false, {}},
        {IDB_EDGE_LEFT, 4, 1, false, {}},
        {IDB_EDGE_RIGHT, 4, 1, false, {}},
        {IDB_CORNER_TOP_LEFT, 5, 5, false, {}},
        {IDB_CORNER_TOP_RIGHT, 5, 5, false, {}},
        {IDB_CORNER_BOTTOM_LEFT, 5, 5, false, {}},
        {IDB_CORNER_BOTTOM_RIGHT, 5, 5, false, {}},
        {IDB_SEPARATOR, 325, 2, true,
         {{0, 0, kWhite}, {324, 0, kBlue}, {0, 1, kWhite}, {324, 1, kBlue}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        BITMAP info = {};
        ASSERT_TRUE(GetObjectA(Bitmap(c.id), sizeof info, &info));
        EXPECT_EQ(info.bmWidth, c.width);
        EXPECT_EQ(info.bmHeight, c.height);
        Canvas picture(c.width, c.height, kSentinel);
        Draw(picture, c.id);
        for (const Probe& p : c.probes) {
            const COLORREF got = picture.At(p.x, p.y);
            if (p.colour == kBluish) {
                EXPECT_TRUE(Bluish(got))
                    << "expected blue at " << p.x << "," << p.y << ", got " << std::hex << got;
            } else {
                EXPECT_EQ(got, p.colour) << "at " << p.x << "," << p.y;
            }
        }
        for (int y = 0; c.ramp && y < c.height; ++y) {
            for (int shift : {0, 8, 16}) {
                auto channel = [&](int x) { return int(picture.At(x, y) >> shift & 0xFF); };
                const int last = channel(c.width - 1);
                const int way = (last > channel(0)) - (last < channel(0));
                for (int x = 1; x < c.width; ++x) {
                    const int step = channel(x) - channel(x - 1);
                    EXPECT_TRUE(step == 0 || step == way) << "at " << x << "," << y;
                }
            }
        }
    }
    // Four shades of blue, the same across the side edges, outermost at the frame's outside.
    for (int i = 0; i < 4; ++i) {
        for (int id : {IDB_EDGE_TOP, IDB_EDGE_BOTTOM}) {
            const COLORREF shade = BitmapPixel(id, 0, i);
            EXPECT_TRUE(Bluish(shade));
            EXPECT_TRUE(i == 0 || shade != BitmapPixel(id, 0, i - 1));
        }
        EXPECT_EQ(BitmapPixel(IDB_EDGE_LEFT, i, 0), BitmapPixel(IDB_EDGE_TOP, 0, i));
        EXPECT_EQ(BitmapPixel(IDB_EDGE_RIGHT, i, 0), BitmapPixel(IDB_EDGE_BOTTOM, 0, i));
    }
}

TEST_F(Painters, FramePiecesLandWhereTheyBelong) {
    struct Case {
        int w, h;
        bool logo, separator;
    };
    const Case cases[] = {{500, 200, true, true}, {190, 80, false, false},
                          {350, 150, true, false}, {600, 300, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + (c.logo ? " logo" : "") +
                     (c.separator ? " separator" : ""));
        Canvas canvas(c.w + 10, c.h + 10, kWhite);
        PaintFrame(canvas.dc(), c.w, c.h, c.logo, c.separator, "");

        // Corners, copied 1:1 (their inner pixel lies under the caption band).
        for (int d = 0; d < 4; ++d) {
            EXPECT_EQ(canvas.At(d, d), BitmapPixel(IDB_CORNER_TOP_LEFT, d, d));
            EXPECT_EQ(canvas.At(c.w - 5 + d, d), BitmapPixel(IDB_CORNER_TOP_RIGHT, d, d));
            EXPECT_EQ(canvas.At(d, c.h - 5 + d), BitmapPixel(IDB_CORNER_BOTTOM_LEFT, d, d));
            EXPECT_EQ(canvas.At(c.w - 5 + d, c.h - 5 + d),
                      BitmapPixel(IDB_CORNER_BOTTOM_RIGHT, d, d));
        }
        // Edges, stretched along the frame; nothing outside it.
        for (int d = 0; d < 4; ++d) {
            EXPECT_EQ(canvas.At(c.w / 2, d), BitmapPixel(IDB_EDGE_TOP, 0, d));
            EXPECT_EQ(canvas.At(c.w / 2, c.h - 4 + d), BitmapPixel(IDB_EDGE_BOTTOM, 0, d));
            EXPECT_EQ(canvas.At(d, c.h / 2 + 20), BitmapPixel(IDB_EDGE_LEFT, d, 0));
            EXPECT_EQ(canvas.At(c.w - 4 + d, c.h / 2 + 20), BitmapPixel(IDB_EDGE_RIGHT, d, 0));
        }
        EXPECT_EQ(canvas.At(c.w + 2, c.h / 2), RGB(255, 255, 255));
        EXPECT_EQ(canvas.At(c.w / 2, c.h + 2), RGB(255, 255, 255));

        // Caption band: 21 rows from y 4, starting at x 59 beside the logo or x 4 without.
        const int bandLeft = c.logo ? 59 : 4;
        for (int y : {4, 14, 24}) {
            EXPECT_EQ(canvas.At(bandLeft, y), BitmapPixel(IDB_CAPTION_BAND, 0, 0));
            EXPECT_EQ(canvas.At(c.w - 5, y), BitmapPixel(IDB_CAPTION_BAND, 436, 0));
        }
        EXPECT_EQ(canvas.At(bandLeft + 10, 25), RGB(255, 255, 255));
        if (c.logo) {
            for (int d : {0, 27, 54}) {
                EXPECT_EQ(canvas.At(4 + d, 4 + d), BitmapPixel(IDB_LOGO, d, d));
            }
        } else {
            EXPECT_EQ(canvas.At(10, 40), RGB(255, 255, 255));
        }
        // Separator, 325 x 2 at (w - 340, h - 45).
        const int sx = c.w - 340, sy = c.h - 45;
        if (c.separator) {
            for (int x : {0, 160, 324}) {
                EXPECT_EQ(canvas.At(sx + x, sy), BitmapPixel(IDB_SEPARATOR, x, 0));
                EXPECT_EQ(canvas.At(sx + x, sy + 1), BitmapPixel(IDB_SEPARATOR, x, 1));
            }
        } else if (sx >= 5) {
            EXPECT_EQ(canvas.At(sx + 300, sy), RGB(255, 255, 255));
        }
    }
}

// The caption's pixels are those of its text drawn alone at (5, 2), or (55, 2) beside the
// logo; the shadow's are the same moved two right and one down, wherever the caption leaves
// them clear. Only fully covered pixels take the pure colours, so smoothed glyphs pass too.
TEST_F(Painters, CaptionHasItsShadowTwoRightOneDown) {
    for (bool logo : {true, false}) {
        SCOPED_TRACE(logo ? "logo" : "no logo");
        Canvas frame(400, 40, kWhite), alone(400, 40, kWhite);
        PaintFrame(frame.dc(), 400, 100, logo, false, "Wg");
        SelectObject(alone.dc(), Font(FontId::kCaption));
        SetBkMode(alone.dc(), TRANSPARENT);
        SetTextColor(alone.dc(), kCaptionYellow);
        TextOutA(alone.dc(), logo ? 55 : 5, 2, "Wg", 2);
        int wrong = 0, shadow = 0;
        for (int y = 1; y < 40; ++y) {
            for (int x = 2; x < 150; ++x) {
                const COLORREF got = frame.At(x, y);
                const bool caption = alone.At(x, y) == kCaptionYellow;
                const bool moved =
                    alone.At(x - 2, y - 1) == kCaptionYellow && alone.At(x, y) == kWhite;
                shadow += got == kDarkBlue;
                wrong += (got == kCaptionYellow) != caption || (got == kDarkBlue) != moved;
            }
        }
        EXPECT_EQ(wrong, 0) << "pixels off the caption or its shadow";
        EXPECT_GT(shadow, 10) << "caption shadow missing";
    }
}

TEST_F(Painters, ProgressBarFillFollowsThePercentage) {
    struct Geometry {
        int x, y, w, h;
    };
    struct Case {
        int percent;
        int fill150;  // expected fill length for the 150-wide bar
        int fill450;  // and for the 450-wide bar
    };
    const Geometry geometries[] = {{20, 40, 150, 20}, {25, 110, 450, 20}};
    const Case cases[] = {{-5, 0, 0},     {0, 0, 0},       {1, 1, 4},       {50, 75, 225},
                          {99, 149, 446}, {100, 152, 452}, {150, 152, 452}};
    for (const Geometry& g : geometries) {
        for (const Case& c : cases) {
            SCOPED_TRACE("w " + std::to_string(g.w) + " p " + std::to_string(c.percent));
            const int fill = g.w == 150 ? c.fill150 : c.fill450;
            Canvas canvas(g.x + g.w + 20, g.y + g.h + 20, kSentinel);
            PaintProgressBar(canvas.dc(), g.x, g.y, g.w, g.h, c.percent);
            const int mid = g.y + g.h / 2;
            // Outline: both ends and the top and bottom rows.
            EXPECT_EQ(canvas.At(g.x, mid), kBarLight);
            EXPECT_EQ(canvas.At(g.x + g.w + 1, mid), kBarLight);
            EXPECT_EQ(canvas.At(g.x + g.w / 2, g.y), kBarLight);
            EXPECT_EQ(canvas.At(g.x + g.w / 2, g.y + g.h), kBarLight);
            EXPECT_EQ(canvas.At(g.x + g.w + 2, mid), kSentinel);
            // Fill: blue inside, light right border, untouched beyond.
            if (fill >= 3) {
                EXPECT_EQ(canvas.At(g.x + 1, mid), kBlue);
                EXPECT_EQ(canvas.At(g.x + fill - 2, mid), kBlue);
                EXPECT_EQ(canvas.At(g.x + fill - 1, mid), kBarLight);
            }
            if (fill <= g.w) {
                EXPECT_EQ(canvas.At(g.x + std::max(fill, 1), mid), kSentinel)
                    << "the bar must not paint past its fill";
            }
        }
    }
}

// The splash at 50 %: everything but the bar matches the frame and the two lines painted at
// their places, the first line's top-left corner at (8, 26), the second's bottom-right corner
// at (184, 74); the bar at (20, 40), 150 x 20, shows its outline and 75 pixels of fill.
TEST_F(Painters, SplashShowsCaptionLinesAndBar) {
    const char* lines[] = {"Preparing Nuvex Installer", "Please wait..."};
    Canvas splash(190, 80, kWhite), expected(190, 80, kWhite);
    PaintSplash(splash.dc(), lines[0], lines[1]);
    PaintSplashBar(splash.dc(), 50);

    PaintFrame(expected.dc(), 190, 80, false, false, "Nuvex Installer");
    SetTextColor(expected.dc(), kBlack);
    SelectObject(expected.dc(), Font(FontId::kText));
    TextOutA(expected.dc(), 8, 26, lines[0], lstrlenA(lines[0]));
    SelectObject(expected.dc(), Font(FontId::kSmall));
    SIZE size = {};
    GetTextExtentPoint32A(expected.dc(), lines[1], lstrlenA(lines[1]), &size);
    TextOutA(expected.dc(), 184 - size.cx, 74 - size.cy, lines[1], lstrlenA(lines[1]));
    int wrong = 0;
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 190; ++x) {
            const bool bar = x >= 20 && x <= 171 && y >= 40 && y <= 60;
            wrong += !bar && splash.At(x, y) != expected.At(x, y);
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels off the frame, caption or lines";

    const Probe bar[] = {{20, 40, kBarLight},  {171, 40, kBarLight}, {20, 60, kBarLight},
                         {171, 60, kBarLight}, {130, 40, kBarLight}, {130, 60, kBarLight},
                         {21, 41, kBlue},      {93, 59, kBlue},      {94, 50, kBarLight},
                         {95, 50, kWhite},     {170, 59, kWhite}};
    for (const Probe& p : bar) {
        EXPECT_EQ(splash.At(p.x, p.y), p.colour) << "at " << p.x << "," << p.y;
    }
}

struct TextPixel {
    int x, y;
    COLORREF colour;
};

// Paints one owner-drawn button, 100 x 25, and returns the pixels that differ from its face.
std::vector<TextPixel> TextPixels(HWND button, UINT state) {
    Canvas canvas(100, 25, kSentinel), face(100, 25, kSentinel);
    Draw(face, (state & ODS_SELECTED) ? IDB_BUTTON_PRESSED : IDB_BUTTON_NORMAL);
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.hwndItem = button;
    item.hDC = canvas.dc();
    item.rcItem = {0, 0, 100, 25};
    item.itemState = state;
    SetTextColor(canvas.dc(), RGB(9, 9, 9));
    PaintControl(item);
    std::vector<TextPixel> pixels;
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 100; ++x) {
            if (canvas.At(x, y) != face.At(x, y)) {
                pixels.push_back({x, y, canvas.At(x, y)});
            }
        }
    }
    return pixels;
}

class Controls_ : public Painters {
protected:
    void SetUp() override {
        button_ = CreateWindowExA(0, "BUTTON", "Iii", WS_POPUP | BS_OWNERDRAW, 0, 0, 100, 25,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(button_, nullptr);
        Controls() = ControlHandles{};
    }
    void TearDown() override {
        DestroyWindow(button_);
        Controls() = ControlHandles{};
    }
    HWND button_ = nullptr;
};

// The text is centred on the button and its cell ends 7 pixels below the middle, so "Iii",
// without descenders, has its lowest pixels just above the baseline, the font's descent higher.
// Pressed, every text pixel moves one right and one down.
TEST_F(Controls_, PressedButtonMovesItsTextOnePixel) {
    Controls().back = button_;
    Canvas probe(1, 1, kSentinel);
    SelectObject(probe.dc(), Font(FontId::kText));
    TEXTMETRICA metrics = {};
    ASSERT_TRUE(GetTextMetricsA(probe.dc(), &metrics));
    const std::vector<TextPixel> normal = TextPixels(button_, 0);
    const std::vector<TextPixel> pressed = TextPixels(button_, ODS_SELECTED);
    ASSERT_EQ(normal.size(), pressed.size());
    for (int offset : {0, 1}) {
        SCOPED_TRACE(offset ? "pressed" : "normal");
        const std::vector<TextPixel>& text = offset ? pressed : normal;
        ASSERT_GT(text.size(), 5u) << "no text drawn";
        int left = 100, right = 0, bottom = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            left = std::min(left, text[i].x);
            right = std::max(right, text[i].x + 1);
            bottom = std::max(bottom, text[i].y + 1);
            EXPECT_EQ(text[i].x - normal[i].x, offset);
            EXPECT_EQ(text[i].y - normal[i].y, offset);
        }
        EXPECT_EQ(bottom, 12 + 7 + offset - metrics.tmDescent);
        EXPECT_NEAR((left + right) / 2.0, 50 + offset, 1.0);
    }
}

TEST_F(Controls_, TextColourFollowsStateAndGroup) {
    struct Case {
        bool cancelGroup;
        UINT state;
        COLORREF expected;
    };
    const Case cases[] = {
        {false, 0, kDarkBlue},
        {false, ODS_FOCUS, RGB(0, 0, 187)},
        {false, ODS_DISABLED, RGB(9, 9, 9)},  // the context's own colour stays
        {true, 0, kDarkBlue},
        {true, ODS_FOCUS, kDarkBlue},
        {true, ODS_DISABLED, RGB(127, 127, 127)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.cancelGroup ? "cancel" : "next") + " state " +
                     std::to_string(c.state));
        Controls() = ControlHandles{};
        (c.cancelGroup ? Controls().cancel : Controls().next) = button_;
        int exact = 0;
        for (const TextPixel& p : TextPixels(button_, c.state)) {
            exact += p.colour == c.expected;
        }
        EXPECT_GT(exact, 3);
    }
}

TEST_F(Controls_, BitmapControlsAndStrangers) {
    struct Case {
        const char* name;
        HWND* slot;  // where the handle goes; nullptr: nowhere
        int result;
        UINT state;
        int bitmap;  // 0: nothing may be painted
    };
    const Case cases[] = {
        {"close box", &Controls().closeBox, 0, 0, IDB_CLOSE_NORMAL},
        {"close box pressed", &Controls().closeBox, 0, ODS_SELECTED, IDB_CLOSE_PRESSED},
        {"result check", &Controls().resultPicture, 0, 0, IDB_RESULT_CHECK},
        {"result cross", &Controls().resultPicture, 1, ODS_SELECTED, IDB_RESULT_CROSS},
        {"unknown control", nullptr, 0, ODS_SELECTED | ODS_FOCUS, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Controls() = ControlHandles{};
        if (c.slot) {
            *c.slot = button_;
        }
        Controls().resultFlag = c.result;
        Canvas canvas(90, 90, kSentinel);
        DRAWITEMSTRUCT item = {};
        item.hwndItem = button_;
        item.hDC = canvas.dc();
        item.rcItem = {2, 3, 2 + 21, 3 + 21};
        item.itemState = c.state;
        PaintControl(item);
        for (int d = 0; d < 21; ++d) {
            COLORREF expected = c.bitmap ? BitmapPixel(c.bitmap, d, d) : kSentinel;
            EXPECT_EQ(canvas.At(2 + d, 3 + d), expected);
        }
        EXPECT_EQ(canvas.At(1, 1), kSentinel);
    }
}

}  // namespace
}  // namespace nuvex::test
