// The background painter at a real screen size, painted into memory bitmaps: the gradient's
// bands (their colours are a native table), the solid colour, the default backdrop's strips
// and where the three texts land.
#include <gtest/gtest.h>
#include <windows.h>

#include <tuple>

#include "background_painter.h"
#include "canvas.h"
#include "skin.h"

namespace nuvex::test {
namespace {

constexpr int kW = 1024, kH = 768;
constexpr COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255);

class Background : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(LoadSkin(GetModuleHandleA(nullptr))); }
    Canvas canvas_{kW, kH, RGB(1, 2, 3)};
};

TEST_F(Background, GradientSolidAndDefaultPictures) {
    BackgroundLook look;
    look.type = kBackgroundGradient;
    look.colour1 = 16711680;  // blue, as the script gives it
    look.colour2 = 0;
    PaintBackground(canvas_.dc(), kW, kH, look);
    // 768 lines: 192 bands of 4 lines across the whole width, from blue 255 down to blue 1.
    EXPECT_EQ(canvas_.Count(RGB(0, 0, 255), 0, 0, kW, 4), 4 * kW);
    EXPECT_EQ(canvas_.Count(RGB(0, 0, 1), 0, kH - 4, kW, kH), 4 * kW);
    // 600 lines: 200 bands of 3, the middle one (lines 300 to 302) blue 127.
    Canvas small(800, 600, RGB(1, 2, 3));
    PaintBackground(small.dc(), 800, 600, look);
    const std::tuple<int, int> bands[] = {{0, 255}, {300, 127}, {597, 1}};
    for (const auto& [y, blue] : bands) {
        EXPECT_EQ(small.Count(RGB(0, 0, blue), 0, y, 800, y + 3), 3 * 800) << "band at " << y;
    }
    look.type = kBackgroundSolid;
    look.colour1 = RGB(10, 200, 30);
    PaintBackground(canvas_.dc(), kW, kH, look);
    EXPECT_EQ(canvas_.Count(RGB(10, 200, 30), 0, 0, kW, kH), kW * kH);
    // Default: black, with the blue-to-black strip on lines 0, 2, ..., 90.
    look.type = kBackgroundDefault;
    PaintBackground(canvas_.dc(), kW, kH, look);
    EXPECT_EQ(canvas_.At(0, 90), RGB(0, 0, 255));
    EXPECT_EQ(canvas_.At(kW - 1, 0), kBlack);
    for (int y : {1, 91, 92}) {
        EXPECT_EQ(canvas_.Count(kBlack, 0, y, kW, y + 1), kW) << "black line " << y;
    }
}

TEST_F(Background, TextsAndTheNameShadow) {
    const COLORREF name = RGB(255, 255, 0), sub = RGB(0, 255, 255), mini = RGB(255, 0, 255);
    for (bool shadow : {false, true}) {
        SCOPED_TRACE(shadow ? "shadow" : "no shadow");
        const BackgroundLook look = {kBackgroundSolid, kWhite,      0,    shadow, "Wg Product",
                                     "sub label",      "mini text", name, sub,    mini};
        PaintBackground(canvas_.dc(), kW, kH, look);
        // The name from (40, 10), its shadow 5 right and down when asked for; the sub-label
        // from (45, 75); the mini text ending 10 from the right and 5 from the bottom.
        EXPECT_GT(canvas_.Count(name, 40, 10, 600, 75), 100);
        EXPECT_EQ(canvas_.Count(name, 0, 0, 40, kH), 0);
        EXPECT_EQ(canvas_.Count(kBlack, 0, 0, kW, kH) > 100, shadow);
        EXPECT_EQ(canvas_.Count(kBlack, 0, 0, 45, kH), 0);
        EXPECT_GT(canvas_.Count(sub, 45, 75, 300, 95), 10);
        EXPECT_GT(canvas_.Count(mini, kW - 200, kH - 25, kW - 10, kH - 5), 10);
        EXPECT_EQ(canvas_.Count(mini, kW - 10, 0, kW, kH) + canvas_.Count(mini, 0, kH - 5, kW, kH),
                  0);
    }
}

}  // namespace
}  // namespace nuvex::test
