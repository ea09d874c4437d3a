// The painters draw into a memory bitmap; the pixels are read back and compared with the
// bitmap pieces they were made from.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "canvas.h"
#include "painters.h"
#include "resource_ids.h"
#include "skin.h"
#include "splash_painter.h"

namespace nuvex::test {
namespace {

constexpr COLORREF kSentinel = RGB(1, 2, 3), kWhite = RGB(255, 255, 255), kBlack = 0;
constexpr COLORREF kBlue = RGB(0, 0, 255), kDarkBlue = RGB(0, 0, 127), kYellow = RGB(255, 255, 0);
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
    static void SetUpTestSuite() { ASSERT_TRUE(LoadSkin(GetModuleHandleA(nullptr))); }
};

// One generated picture of each kind: its size and a colour that shows it was generated.
TEST_F(Painters, BitmapsHaveTheirSizesAndColours) {
    struct Case {
        int id, width, height, x, y;
        COLORREF colour;
    };
    const Case cases[] = {
        {IDB_CLOSE_NORMAL, 21, 21, 10, 10, kWhite},
        {IDB_RESULT_CROSS, 65, 85, 32, 42, kBlack},
        {IDB_RESULT_CHECK, 80, 85, 31, 62, kBlack},
        {IDB_BACKGROUND_STRIP, 256, 1, 255, 0, kBlack},
        {IDB_CAPTION_BAND, 437, 1, 436, 0, RGB(206, 206, 255)},
        {IDB_SEPARATOR, 325, 2, 324, 1, kBlue},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        BITMAP info = {};
        ASSERT_TRUE(GetObjectA(Bitmap(c.id), sizeof info, &info));
        EXPECT_EQ(info.bmWidth, c.width);
        EXPECT_EQ(info.bmHeight, c.height);
        EXPECT_EQ(BitmapPixel(c.id, c.x, c.y), c.colour);
    }
}

// The wizard's frame: corners, edges, the caption band beside the logo, the separator, and
// the caption with its dark shadow. The splash's frame, without logo, is in the splash test.
TEST_F(Painters, FramePiecesAndTheCaptionShadow) {
    const int w = 500, h = 200;
    Canvas canvas(w + 10, h + 10, kWhite);
    PaintFrame(canvas.dc(), w, h, true, true, "Wg");
    EXPECT_EQ(canvas.At(1, 1), BitmapPixel(IDB_CORNER_TOP_LEFT, 1, 1));
    EXPECT_EQ(canvas.At(w - 2, h - 2), BitmapPixel(IDB_CORNER_BOTTOM_RIGHT, 3, 3));
    EXPECT_EQ(canvas.At(w - 2, h / 2 + 20), BitmapPixel(IDB_EDGE_RIGHT, 2, 0));
    EXPECT_EQ(canvas.At(w / 2, h + 2), kWhite);
    EXPECT_EQ(canvas.At(59, 24), BitmapPixel(IDB_CAPTION_BAND, 0, 0));
    EXPECT_EQ(canvas.At(58, 58), BitmapPixel(IDB_LOGO, 54, 54));
    EXPECT_EQ(canvas.At(w - 340, h - 44), BitmapPixel(IDB_SEPARATOR, 0, 1));
    EXPECT_GT(canvas.Count(kYellow, 55, 2, 150, 30), 10) << "caption";
    EXPECT_EQ(canvas.Count(kYellow, 0, 0, 55, 30), 0) << "caption off its place";
    EXPECT_GT(canvas.Count(kDarkBlue, 55, 2, 150, 30), 10) << "caption shadow";
}

// The splash at 50 %: its frame without logo, caption, the preparing line from (8, 26), the wait
// line ending at (184, 74), and the bar at (20, 40), 150 x 20, outlined, with 75 pixels of fill.
TEST_F(Painters, SplashShowsCaptionLinesAndBar) {
    Canvas splash(190, 80, kWhite);
    PaintSplash(splash.dc(), "Preparing Nuvex Installer", "Please wait...");
    PaintSplashBar(splash.dc(), 50);
    EXPECT_EQ(splash.At(1, 1), BitmapPixel(IDB_CORNER_TOP_LEFT, 1, 1));
    EXPECT_EQ(splash.At(4, 24), BitmapPixel(IDB_CAPTION_BAND, 0, 0));
    EXPECT_GT(splash.Count(kYellow, 5, 2, 186, 25), 20) << "caption";
    EXPECT_GT(splash.Count(kBlack, 8, 26, 186, 40), 20) << "preparing line";
    EXPECT_EQ(splash.Count(kBlack, 4, 25, 8, 40), 0);
    EXPECT_GT(splash.Count(kBlack, 4, 61, 184, 74), 20) << "wait line";
    EXPECT_EQ(splash.Count(kBlack, 184, 61, 186, 76) + splash.Count(kBlack, 4, 74, 186, 76), 0);
    const std::pair<POINT, COLORREF> bar[] = {
        {{20, 40}, kBarLight}, {{171, 60}, kBarLight}, {{93, 59}, kBlue}, {{95, 50}, kWhite}};
    for (const auto& [at, colour] : bar) {
        EXPECT_EQ(splash.At(at.x, at.y), colour) << "at " << at.x << "," << at.y;
    }
}

using Controls_ = Painters;

// Each kind of control as its window names it: push buttons take a text colour by state
// (disabled, the context's own), Cancel grey when disabled and never the focus colour, the
// close box and the result pictures their bitmaps, a control that is not ours nothing;
// pressed, the text moves one right and one down.
TEST_F(Controls_, EachKindOfControlByState) {
    constexpr COLORREF kNoText = CLR_INVALID;
    struct Case {
        ControlKind kind;
        UINT state;
        int face;
        COLORREF text;
    };
    const Case cases[] = {
        {ControlKind::kPushButton, 0, IDB_BUTTON_NORMAL, kDarkBlue},
        {ControlKind::kPushButton, ODS_SELECTED, IDB_BUTTON_PRESSED, kDarkBlue},
        {ControlKind::kPushButton, ODS_FOCUS, IDB_BUTTON_NORMAL, RGB(0, 0, 187)},
        {ControlKind::kPushButton, ODS_DISABLED | ODS_FOCUS, IDB_BUTTON_NORMAL, kBlack},
        {ControlKind::kCancelButton, ODS_DISABLED, IDB_BUTTON_NORMAL, RGB(127, 127, 127)},
        {ControlKind::kCancelButton, ODS_FOCUS, IDB_BUTTON_NORMAL, kDarkBlue},
        {ControlKind::kCloseBox, 0, IDB_CLOSE_NORMAL, kNoText},
        {ControlKind::kCloseBox, ODS_SELECTED, IDB_CLOSE_PRESSED, kNoText},
        {ControlKind::kResultCheck, 0, IDB_RESULT_CHECK, kNoText},
        {ControlKind::kResultCross, ODS_SELECTED, IDB_RESULT_CROSS, kNoText},
        {ControlKind::kNone, ODS_SELECTED | ODS_FOCUS, 0, kNoText},
    };
    HWND button = CreateWindowExA(0, "BUTTON", "Iii", WS_POPUP | BS_OWNERDRAW, 0, 0, 100, 25,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    RECT normal = {};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << &c - cases);
        Canvas canvas(100, 25, kSentinel), face(100, 25, kSentinel);
        if (c.face) {
            Draw(face, c.face);
        }
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_BUTTON;
        item.hwndItem = button;
        item.hDC = canvas.dc();
        item.rcItem = {0, 0, 100, 25};
        item.itemState = c.state;
        PaintControl(item, c.kind);
        // The bounds of the pixels off the face, and how many of them have the text colour.
        int off = 0, exact = 0;
        RECT box = {100, 25, 0, 0};
        for (int y = 0; y < 25; ++y) {
            for (int x = 0; x < 100; ++x) {
                if (canvas.At(x, y) != face.At(x, y)) {
                    ++off;
                    exact += canvas.At(x, y) == c.text;
                    box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                           std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
                }
            }
        }
        if (c.text == kNoText) {
            EXPECT_EQ(off, 0) << "pixels off the face";
            continue;
        }
        EXPECT_GT(exact, 3);
        EXPECT_NEAR((box.left + box.right) / 2.0, 50, 2.0);
        normal = &c == cases ? box : normal;
        if (c.state & ODS_SELECTED) {
            EXPECT_EQ(box.left - normal.left, 1);
            EXPECT_EQ(box.bottom - normal.bottom, 1);
        }
    }
    DestroyWindow(button);
}

}  // namespace
}  // namespace nuvex::test
