// The wizard's rules without windows: page search, install type presets, component boxes
// and the target folder after browsing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>

#include "settings.h"
#include "wizard_rules.h"

namespace nuvex {
namespace {

TEST(PageSearch, ForwardAndBackwardOverEnabledPages) {
    // Pages enabled where the character is '1', the page asked for, backward, the page found.
    const std::tuple<const char*, int, bool, int> cases[] = {
        {"1000001111", 1, false, 6},
        {"1111101111", 5, false, 6},  // custom off skips to confirmation
        {"1111101111", 5, true, 4},
        {"1111101111", 10, false, -1},  // Next on the spare page
        {"1111101111", -1, true, -1},
    };
    for (const auto& [pages, requested, backward, expected] : cases) {
        int enabled[kWizardPages];
        for (int i = 0; i < kWizardPages; ++i) {
            enabled[i] = pages[i] == '1';
        }
        EXPECT_EQ(FindPage(enabled, requested, backward), expected) << pages << " " << requested;
    }
}

TEST(InstallTypes, InitialTypeAndPresetRows) {
    Settings s;
    ResetSettings(s);
    // Slot 3 is required but in no preset row, so no preset installs it.
    const int rows[kPresetTypes][kComponentCount] = {
        {1, 1}, {0, 1, 1, 0, 0, 0, 0, 0, 0, 1}, {}, {}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}};
    std::memcpy(s.UseInInstType, rows, sizeof rows);
    s.Requied[3] = 1;
    struct Case {
        int typeEnabled[kInstallTypes];
        int expectedType;
        const char* expectedSelection;  // slot i installed when character i is '1'
    } cases[] = {
        {{1, 0, 0, 0, 0, 1}, 0, "1100000000"},
        {{0, 1, 1}, 1, "0110000001"},
        {{0, 0, 0, 0, 0, 1}, 5, "0000000000"},  // the custom type selects nothing
    };
    for (const Case& c : cases) {
        std::memcpy(s.TypeEnabled, c.typeEnabled, sizeof c.typeEnabled);
        const int type = InitialInstallType(s);
        EXPECT_EQ(type, c.expectedType);
        int selection[kComponentCount];
        PresetSelection(s, type, selection);
        std::string got;
        for (int v : selection) {
            got += v ? '1' : '0';
        }
        EXPECT_EQ(got, c.expectedSelection) << "type " << type;
    }
    // The custom page shows a box for each component, ten at most.
    EXPECT_EQ(VisibleComponentBoxes(-1), 0);
    EXPECT_EQ(VisibleComponentBoxes(12), 10);
}

TEST(TargetFolder, BrowsedFoldersAndDriveRoots) {
    const std::tuple<const char*, bool, const char*, const char*> cases[] = {
        {"D:\\Games", true, "Tool", "D:\\Games\\Tool"},
        {"D:\\", false, "Tool", "D:"},
        {"E:\\Apps\\", false, "", "E:\\Apps\\"},
        {"ab\\", false, "", "ab"},  // any three characters ending in a backslash
    };
    for (const auto& [browsed, autoName, appDir, expected] : cases) {
        char out[2048];
        ComposeBrowsedFolder(out, sizeof out, browsed, autoName, appDir);
        EXPECT_STREQ(out, expected) << browsed << " + " << appDir;
    }
}

// Bands of screenHeight / 256 + 1 lines from blue 255 towards black, in single precision and
// truncated: at 600 lines 200 bands of 3, each 1.275 darker, the middle one 127.5 -> 127,
// the last one step short of black. No screen gives no band.
TEST(Gradient, BandsFollowTheScreenHeight) {
    // Height, band height, bands, first, second, middle, last (blue channels).
    const std::tuple<int, int, int, int, int, int, int> cases[] = {
        {600, 3, 200, 255, 253, 127, 1},
        {768, 4, 192, 255, 253, 127, 1},
        {256, 2, 128, 255, 253, 127, 1},
        {1, 1, 1, 255, 0, 255, 255},
    };
    static GradientBands bands;
    for (const auto& [height, bandHeight, count, first, second, middle, last] : cases) {
        ComputeGradient(height, 0xFF0000, 0, bands);
        EXPECT_EQ(bands.bandHeight, bandHeight) << height;
        ASSERT_EQ(bands.count, count) << height;
        const int blue[] = {first, second, middle, last};
        const int at[] = {0, 1, count / 2, count - 1};
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(bands.colour[at[k]], static_cast<Colour>(blue[k]) << 16)
                << height << " lines, band " << at[k];
        }
    }
    ComputeGradient(0, 0xFF0000, 0, bands);
    EXPECT_EQ(bands.count, 0);
}

}  // namespace
}  // namespace nuvex
