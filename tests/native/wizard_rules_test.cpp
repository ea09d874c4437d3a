// The wizard's rules without windows: page search, install type presets, component box
// places, the target folder after browsing and on leaving the page, and gradient bands.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings.h"
#include "wizard_rules.h"

namespace nuvex {
namespace {

TEST(PageSearch, ForwardAndBackwardOverEnabledPages) {
    struct Case {
        const char* name;
        int enabled[kWizardPages];
        int requested;
        bool backward;
        int expected;
    };
    const Case cases[] = {
        {"all on, Next from intro", {1, 1, 1, 1, 1, 0, 1, 1, 1, 1}, 1, false, 1},
        {"four pages off, Next from intro", {1, 0, 0, 0, 0, 0, 1, 1, 1, 1}, 1, false, 6},
        {"four pages off, Back from confirmation", {1, 0, 0, 0, 0, 0, 1, 1, 1, 1}, 5, true, 0},
        {"custom off skips to confirmation", {1, 1, 1, 1, 1, 0, 1, 1, 1, 1}, 5, false, 6},
        {"custom on is shown", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 5, false, 5},
        {"Back from confirmation, custom off", {1, 1, 1, 1, 1, 0, 1, 1, 1, 1}, 5, true, 4},
        {"Back skips a disabled licence", {1, 1, 0, 1, 1, 0, 1, 1, 1, 1}, 2, true, 1},
        {"error page from the done page", {1, 1, 1, 1, 1, 0, 1, 1, 1, 1}, 8, true, 8},
        {"Next on the spare page is ignored", {1, 1, 1, 1, 1, 0, 1, 1, 1, 1}, 10, false, -1},
        {"negative request is ignored", {1, 1, 1, 1, 1, 0, 1, 1, 1, 1}, -1, true, -1},
        {"nothing enabled backward", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 4, true, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindPage(c.enabled, c.requested, c.backward), c.expected) << c.name;
    }
}

TEST(PageSearch, TableFollowsTheDialogsFlags) {
    Settings s;
    ResetSettings(s);
    s.AppInfo = 1;
    s.Licence = 0;
    s.TargetDir = 1;
    s.InstType = 0;
    int enabled[kWizardPages];
    InitialPageTable(s, enabled);
    const int expected[kWizardPages] = {1, 1, 0, 1, 0, 0, 1, 1, 1, 1};
    for (int i = 0; i < kWizardPages; ++i) {
        EXPECT_EQ(enabled[i], expected[i]) << "page " << i;
    }
}

TEST(InstallTypes, InitialTypeAndPresetRows) {
    struct Case {
        const char* name;
        int typeEnabled[kInstallTypes];
        int expectedType;
        const char* expectedSelection;  // slot i installed when character i is '1'
    };
    const Case cases[] = {
        {"types 0 and 5", {1, 0, 0, 0, 0, 1}, 0, "1100000000"},
        {"type 1 first enabled", {0, 1, 1, 0, 0, 0}, 1, "0110000001"},
        {"custom only selects nothing", {0, 0, 0, 0, 0, 1}, 5, "0000000000"},
        {"none enabled gives row 0", {0, 0, 0, 0, 0, 0}, 0, "1100000000"},
        {"type 4", {0, 0, 0, 0, 1, 0}, 4, "0000000001"},
    };
    Settings s;
    ResetSettings(s);
    // Row 0: slots 0, 1; row 1: slots 1, 2, 9; row 4: slot 9. Slot 3 is required but in no
    // preset, so no preset installs it.
    const int rows[kPresetTypes][kComponentCount] = {{1, 1, 0, 0, 0, 0, 0, 0, 0, 0},
                                                     {0, 1, 1, 0, 0, 0, 0, 0, 0, 1},
                                                     {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                                                     {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                                                     {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}};
    std::memcpy(s.UseInInstType, rows, sizeof rows);
    s.Requied[3] = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::memcpy(s.TypeEnabled, c.typeEnabled, sizeof c.typeEnabled);
        const int type = InitialInstallType(s);
        EXPECT_EQ(type, c.expectedType);
        int selection[kComponentCount];
        PresetSelection(s, type, selection);
        std::string got;
        for (int v : selection) {
            got += v ? '1' : '0';
        }
        EXPECT_EQ(got, c.expectedSelection);
    }
}

TEST(InstallTypes, CheckBoxPlaces) {
    struct Case {
        int count, slot, x, y;
    };
    const Case cases[] = {
        {5, 0, 160, 85}, {5, 4, 160, 141}, {1, 0, 160, 85},  {6, 0, 30, 85},
        {6, 4, 30, 141}, {6, 5, 260, 85},  {10, 9, 260, 141}, {3, 7, 260, 113},
    };
    for (const Case& c : cases) {
        BoxPlace p = ComponentBoxPlace(c.slot, c.count);
        EXPECT_EQ(p.x, c.x) << "N " << c.count << " slot " << c.slot;
        EXPECT_EQ(p.y, c.y) << "N " << c.count << " slot " << c.slot;
    }
    for (auto [count, shown] : {std::pair{-1, 0}, {0, 0}, {5, 5}, {10, 10}, {12, 10}}) {
        EXPECT_EQ(VisibleComponentBoxes(count), shown) << "N " << count;
    }
}

TEST(TargetFolder, BrowsedFoldersAndDriveRoots) {
    struct Case {
        const char* browsed;
        bool autoName;
        const char* appDir;
        const char* expected;
    };
    const Case cases[] = {
        {"D:\\", true, "Tool", "D:\\Tool"},
        {"D:\\Games", true, "Tool", "D:\\Games\\Tool"},
        {"D:\\", false, "Tool", "D:"},
        {"D:\\", true, "", "D:"},
        {"E:\\Apps\\", false, "", "E:\\Apps\\"},
        {"", false, "", ""},
        {"ab\\", false, "", "ab"},  // any three characters ending in a backslash
    };
    for (const Case& c : cases) {
        char out[2048];
        ComposeBrowsedFolder(out, sizeof out, c.browsed, c.autoName, c.appDir);
        EXPECT_STREQ(out, c.expected) << c.browsed << " + " << c.appDir;
    }
    char typed[] = "E:\\";
    ApplyDriveRootRule(typed);
    EXPECT_STREQ(typed, "E:");
}

TEST(TargetFolder, LongPartsAreCutToTheField) {
    const std::string browsed(2040, 'b');
    const std::string appDir(2047, 'a');
    char out[2048 + 8];
    std::memset(out, 'X', sizeof out);
    ComposeBrowsedFolder(out, 2048, browsed.c_str(), true, appDir.c_str());
    EXPECT_EQ(std::strlen(out), 2047u);
    EXPECT_EQ(out[2040], '\\');
    EXPECT_EQ(out[2048], 'X') << "written past the field";
}

TEST(Gradient, BandsFollowTheScreenHeight) {
    struct Case {
        int height;
        Colour top, bottom;
        int bandHeight, count;
        Colour first, last;
    };
    const Case cases[] = {
        // Blue 255 falling by 1.328125 per band of 4: the last band keeps blue 1.
        {768, 0xFF0000, 0, 4, 192, 0xFF0000, 0x010000},
        {600, 0xFF0000, 0, 3, 200, 0xFF0000, 0x010000},
        {1024, 0x0000FF, 0x00FF00, 5, 205, 0x0000FF, 0x00FE00},
        {200, 0x123456, 0x123456, 1, 200, 0x123456, 0x123456},
        {0, 0xFFFFFF, 0, 1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height);
        GradientBands g;
        ComputeGradient(c.height, c.top, c.bottom, g);
        EXPECT_EQ(g.bandHeight, c.bandHeight);
        ASSERT_EQ(g.count, c.count);
        if (c.count > 0) {
            EXPECT_EQ(g.colour[0], c.first);
            EXPECT_EQ(g.colour[c.count - 1], c.last);
        }
    }
    // Every band of the 768-line blue gradient, against the exact arithmetic (the steps are
    // exact binary fractions there).
    GradientBands g;
    ComputeGradient(768, 0xFF0000, 0, g);
    for (int k = 0; k < g.count; ++k) {
        const auto blue = static_cast<Colour>(255.0 - 1.328125 * k);
        EXPECT_EQ(g.colour[k], blue << 16) << "band " << k;
    }
}

}  // namespace
}  // namespace nuvex
