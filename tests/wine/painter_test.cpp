// The painters draw into a memory bitmap; the pixels are read back and compared with the
// bitmap pieces they were made from.
#include <gtest/gtest.h>
#include <windows.h>

#include "painters.h"
#include "resource_ids.h"
#include "resources.h"

namespace nuvex::test {
namespace {

constexpr COLORREF kSentinel = RGB(1, 2, 3);

// A top-down 32-bit DIB section selected into a memory DC.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                   nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        Fill(kSentinel);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    void Fill(COLORREF c) {
        HBRUSH b = CreateSolidBrush(c);
        RECT r = {0, 0, width_, height_};
        FillRect(dc_, &r, b);
        DeleteObject(b);
    }
    COLORREF At(int x, int y) const {
        GdiFlush();
        DWORD v = bits_[y * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    DWORD* bits_ = nullptr;
};

// A pixel of one of the loaded resource bitmaps.
COLORREF BitmapPixel(int id, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Bitmap(id));
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
}

class Painters : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(InitResources(GetModuleHandleA(nullptr))); }
};

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
        Canvas canvas(c.w + 10, c.h + 10);
        canvas.Fill(RGB(255, 255, 255));
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

TEST_F(Painters, CaptionHasItsShadowTwoRightOneDown) {
    for (bool logo : {true, false}) {
        SCOPED_TRACE(logo ? "logo" : "no logo");
        Canvas canvas(400, 100);
        canvas.Fill(RGB(255, 255, 255));
        PaintFrame(canvas.dc(), 400, 100, logo, false, "Wg");
        const int left = logo ? 55 : 5;
        int yellow = 0, shadowBelowRight = 0, firstYellowX = 1000;
        for (int y = 2; y < 26; ++y) {
            for (int x = 0; x < 120; ++x) {
                if (canvas.At(x, y) == RGB(255, 255, 0)) {
                    ++yellow;
                    firstYellowX = std::min(firstYellowX, x);
                }
                if (canvas.At(x, y) == RGB(0, 0, 127)) {
                    ++shadowBelowRight;
                }
            }
        }
        EXPECT_GT(yellow, 10) << "caption text missing";
        EXPECT_GT(shadowBelowRight, 3) << "caption shadow missing";
        EXPECT_GE(firstYellowX, left);
        EXPECT_LT(firstYellowX, left + 10);
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
    const COLORREF light = RGB(166, 166, 255), blue = RGB(0, 0, 255);
    for (const Geometry& g : geometries) {
        for (const Case& c : cases) {
            SCOPED_TRACE("w " + std::to_string(g.w) + " p " + std::to_string(c.percent));
            const int fill = g.w == 150 ? c.fill150 : c.fill450;
            Canvas canvas(g.x + g.w + 20, g.y + g.h + 20);
            PaintProgressBar(canvas.dc(), g.x, g.y, g.w, g.h, c.percent);
            const int mid = g.y + g.h / 2;
            // Outline: both ends and the top and bottom rows.
            EXPECT_EQ(canvas.At(g.x, mid), light);
            EXPECT_EQ(canvas.At(g.x + g.w + 1, mid), light);
            EXPECT_EQ(canvas.At(g.x + g.w / 2, g.y), light);
            EXPECT_EQ(canvas.At(g.x + g.w / 2, g.y + g.h), light);
            EXPECT_EQ(canvas.At(g.x + g.w + 2, mid), kSentinel);
            // Fill: blue inside, light right border, untouched beyond.
            if (fill >= 3) {
                EXPECT_EQ(canvas.At(g.x + 1, mid), blue);
                EXPECT_EQ(canvas.At(g.x + fill - 2, mid), blue);
                EXPECT_EQ(canvas.At(g.x + fill - 1, mid), light);
            }
            if (fill <= g.w) {
                EXPECT_EQ(canvas.At(g.x + std::max(fill, 1), mid), kSentinel)
                    << "the bar must not paint past its fill";
            }
        }
    }
}

// Paints one owner-drawn button and returns the pixels that differ from `face`.
std::vector<POINT> TextPixels(HWND button, UINT state, int face, COLORREF* colour = nullptr) {
    Canvas canvas(100, 25);
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.hwndItem = button;
    item.hDC = canvas.dc();
    item.rcItem = {0, 0, 100, 25};
    item.itemState = state;
    SetTextColor(canvas.dc(), RGB(9, 9, 9));
    PaintControl(item);
    std::vector<POINT> pixels;
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 100; ++x) {
            COLORREF c = canvas.At(x, y);
            if (c != BitmapPixel(face, x, y)) {
                pixels.push_back({x, y});
                if (colour) {
                    *colour = c;
                }
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

TEST_F(Controls_, PressedButtonMovesItsTextOnePixel) {
    Controls().back = button_;
    std::vector<POINT> normal = TextPixels(button_, 0, IDB_BUTTON_NORMAL);
    std::vector<POINT> pressed = TextPixels(button_, ODS_SELECTED, IDB_BUTTON_PRESSED);
    ASSERT_GT(normal.size(), 5u) << "no text drawn";
    ASSERT_EQ(normal.size(), pressed.size());
    for (size_t i = 0; i < normal.size(); ++i) {
        EXPECT_EQ(pressed[i].x, normal[i].x + 1);
        EXPECT_EQ(pressed[i].y, normal[i].y + 1);
    }
}

TEST_F(Controls_, TextColourFollowsStateAndGroup) {
    struct Case {
        bool cancelGroup;
        UINT state;
        COLORREF expected;
    };
    const Case cases[] = {
        {false, 0, RGB(0, 0, 127)},
        {false, ODS_FOCUS, RGB(0, 0, 187)},
        {false, ODS_DISABLED, RGB(9, 9, 9)},  // the context's own colour stays
        {true, 0, RGB(0, 0, 127)},
        {true, ODS_FOCUS, RGB(0, 0, 127)},
        {true, ODS_DISABLED, RGB(127, 127, 127)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.cancelGroup ? "cancel" : "next") + " state " +
                     std::to_string(c.state));
        Controls() = ControlHandles{};
        (c.cancelGroup ? Controls().cancel : Controls().next) = button_;
        // Count the text pixels of exactly the expected colour.
        Canvas canvas(100, 25);
        DRAWITEMSTRUCT item = {};
        item.hwndItem = button_;
        item.hDC = canvas.dc();
        item.rcItem = {0, 0, 100, 25};
        item.itemState = c.state;
        SetTextColor(canvas.dc(), RGB(9, 9, 9));
        PaintControl(item);
        int exact = 0;
        for (int y = 0; y < 25; ++y) {
            for (int x = 0; x < 100; ++x) {
                exact += canvas.At(x, y) == c.expected;
            }
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
        Canvas canvas(90, 90);
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
