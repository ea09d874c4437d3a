// The wizard's rules without windows: page search, install type presets, component boxes
// and the target folder after browsing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "settings.h"
#include "wizard_rules.h"

namespace nuvex {
namespace {

TEST(PageSearch, ForwardAndBackwardOverEnabledPages) {
    struct Case {
        const char* name;
        const char* pages;  // page i enabled when character i is '1'
        int requested;
        bool backward;
        int expected;
    };
    const Case cases[] = {
        {"four pages off, Next from intro", "1000001111", 1, false, 6},
        {"custom off skips to confirmation", "1111101111", 5, false, 6},
        {"Back from confirmation, custom off", "1111101111", 5, true, 4},
        {"Next on the spare page is ignored", "1111101111", 10, false, -1},
        {"negative request is ignored", "1111101111", -1, true, -1},
    };
    for (const Case& c : cases) {
        int enabled[kWizardPages];
        for (int i = 0; i < kWizardPages; ++i) {
            enabled[i] = c.pages[i] == '1';
        }
        EXPECT_EQ(FindPage(enabled, c.requested, c.backward), c.expected) << c.name;
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
    };
    const Case cases[] = {
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
    for (auto [count, shown] : {std::pair{-1, 0}, {5, 5}, {12, 10}}) {
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
        {"D:\\Games", true, "Tool", "D:\\Games\\Tool"},
        {"D:\\", false, "Tool", "D:"},
        {"E:\\Apps\\", false, "", "E:\\Apps\\"},
        {"ab\\", false, "", "ab"},  // any three characters ending in a backslash
    };
    for (const Case& c : cases) {
        char out[2048];
        ComposeBrowsedFolder(out, sizeof out, c.browsed, c.autoName, c.appDir);
        EXPECT_STREQ(out, c.expected) << c.browsed << " + " << c.appDir;
    }
}

}  // namespace
}  // namespace nuvex
