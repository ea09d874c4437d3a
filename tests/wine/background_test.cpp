// The background painter at real screen sizes, painted into memory bitmaps: the gradient's
// bands, the solid colour, the default backdrop's strips and where the three texts land.
#include <gtest/gtest.h>
#include <windows.h>

#include "background_painter.h"
#include "canvas.h"
#include "resources.h"

namespace nuvex::test {
namespace {

constexpr COLORREF kSentinel = RGB(1, 2, 3);

class Background : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(InitResources(GetModuleHandleA(nullptr))); }
};

TEST_F(Background, GradientBandsFromBlueToBlack) {
    struct Case {
        int width, height;
        int bandHeight, bands;
        int lastBlue;  // blue of the last band, worked out by hand
    };
    // 768 lines: bands of 4, blue falling by 4 * 255 / 768 = 1.328125 a band, so band k is
    // 255 - 1.328125 k truncated and the last (k = 191) is 1. 600 lines: bands of 3 falling by
    // 1.275, the last (k = 199) 1.275 truncated.
    const Case cases[] = {{1024, 768, 4, 192, 1}, {800, 600, 3, 200, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        Canvas canvas(c.width, c.height, kSentinel);
        BackgroundLook look;
        look.type = kBackgroundGradient;
        look.colour1 = 16711680;  // blue
        look.colour2 = 0;
        PaintBackground(canvas.dc(), c.width, c.height, look);
        const double fall = 255.0 * c.bandHeight / c.height;
        for (int k = 0; k < c.bands; ++k) {
            const int blue = k == c.bands - 1 ? c.lastBlue : static_cast<int>(255.0 - fall * k);
            const COLORREF expected = RGB(0, 0, blue);
            const int top = k * c.bandHeight, bottom = top + c.bandHeight - 1;
            // Whole bands of one colour, across the whole width (the 600-line steps are not
            // exact binary fractions, so only the hand-worked last band is held exactly).
            if (c.height == 768 || k == 0 || k == c.bands - 1) {
                ASSERT_EQ(canvas.At(0, top), expected) << "band " << k;
            }
            ASSERT_EQ(canvas.At(c.width - 1, bottom), canvas.At(0, top)) << "band " << k;
        }
        EXPECT_NE(canvas.At(0, c.bandHeight), canvas.At(0, c.bandHeight - 1));
    }
}

TEST_F(Background, SolidAndDefaultPictures) {
    const int w = 800, h = 600;
    Canvas solid(w, h, kSentinel);
    BackgroundLook look;
    look.type = kBackgroundSolid;
    look.colour1 = RGB(10, 200, 30);
    PaintBackground(solid.dc(), w, h, look);
    EXPECT_EQ(solid.Count(RGB(10, 200, 30), 0, 0, w, h), w * h);

    // Default: black, with the blue-to-black strip on lines 0, 2, ..., 90.
    Canvas backdrop(w, h, kSentinel);
    look.type = kBackgroundDefault;
    PaintBackground(backdrop.dc(), w, h, look);
    for (int y : {0, 2, 46, 90}) {
        EXPECT_EQ(backdrop.At(0, y), RGB(0, 0, 255)) << "strip line " << y;
        EXPECT_EQ(backdrop.At(w - 1, y), RGB(0, 0, 0)) << "strip line " << y;
        EXPECT_NEAR(GetBValue(backdrop.At(w / 2, y)), 127, 2) << "strip line " << y;
    }
    for (int y : {1, 3, 89, 91, 92, 300, h - 1}) {
        EXPECT_EQ(backdrop.Count(RGB(0, 0, 0), 0, y, w, y + 1), w) << "black line " << y;
    }
}

TEST_F(Background, TextsAndTheNameShadow) {
    const int w = 1024, h = 768;
    const COLORREF name = RGB(255, 255, 0), sub = RGB(0, 255, 255), mini = RGB(255, 0, 255);
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
    for (bool shadow : {false, true}) {
        SCOPED_TRACE(shadow ? "shadow" : "no shadow");
        Canvas canvas(w, h, kSentinel);
        BackgroundLook look;
        look.type = kBackgroundSolid;
        look.colour1 = white;
        look.shadow = shadow;
        look.appName = "Wg Product";
        look.subLabel = "sub label";
        look.miniText = "mini text";
        look.appNameColour = name;
        look.subLabelColour = sub;
        look.miniTextColour = mini;
        PaintBackground(canvas.dc(), w, h, look);

        // The name from (40, 10) in the large font; its shadow only when asked for.
        EXPECT_GT(canvas.Count(name, 40, 10, 600, 75), 100);
        EXPECT_EQ(canvas.Count(name, 0, 0, 40, h), 0);
        EXPECT_EQ(canvas.Count(black, 0, 0, w, h) > 100, shadow);
        EXPECT_EQ(canvas.Count(black, 0, 0, 45, h), 0) << "shadow starts 5 right of the name";
        // Sub-label from (45, 75), mini text ending 10 from the right and 5 from the bottom.
        EXPECT_GT(canvas.Count(sub, 45, 75, 300, 95), 10);
        EXPECT_EQ(canvas.Count(sub, 0, 0, 45, h), 0);
        EXPECT_GT(canvas.Count(mini, w - 200, h - 25, w - 10, h - 5), 10);
        EXPECT_EQ(canvas.Count(mini, w - 10, 0, w, h) + canvas.Count(mini, 0, h - 5, w, h), 0);
    }
}

}  // namespace
}  // namespace nuvex::test
